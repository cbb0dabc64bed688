#include "cli/device_cli_options.h"

#include "base/option_scan.h"
#include "base/program_info.h"

#include <charconv>
#include <string_view>

namespace {

constexpr char kHelp[] =
    "użycie: re2-device [--port COMn|ŚCIEŻKA] [--baud N] [--address N]\n"
    "                  [--config-dir FOLDER] [--trace PLIK] [--quiet] [--json] [--]\n"
    "                  POLECENIE [ARGUMENTY]\n"
    "        re2-device --help | --version\n"
    "Praca z urządzeniem Dovuzedu RE2 na porcie szeregowym, bez okna.\n"
    "\n"
    "Polecenia:\n"
    "  ports                     porty szeregowe komputera, jeden w linii: nazwa stała,\n"
    "                            urządzenie, producent, model i numer seryjny oraz\n"
    "                            dlaczego nie można go użyć. Nie otwiera portu, nie\n"
    "                            potrzebuje urządzenia ani config.cfg\n"
    "  info                      nazwa i wersja urządzenia oraz jeden odczyt stanu,\n"
    "                            po jednej linii 'nazwa: wartość'\n"
    "  clock                     czas urządzenia, czas komputera i różnica (urządzenie\n"
    "                            minus komputer) w sekundach\n"
    "  clock --set [--max-drift S]\n"
    "                            ustawia zegar urządzenia na czas lokalny komputera (z\n"
    "                            --max-drift tylko gdy różnica przekracza S sekund)\n"
    "  monitor [--interval MS] [--count N]\n"
    "                            stan urządzenia jak w info, jedna linia ze znacznikiem\n"
    "                            czasu co MS ms (domyślnie 1000), N razy albo do Ctrl+C\n"
    "  readout -o PLIK.qz|FOLDER/|- [--restart] [--full] [--wait-port S]\n"
    "                            odczyt pamięci rejestratora do pliku pomiarów; FOLDER/\n"
    "                            nazywa go <nr fabryczny>_<RRRR-MM-DD_GGMMSS>.qz, - pisze\n"
    "                            obraz na standardowe wyjście (nie na terminal). Przerwany\n"
    "                            odczyt jest kontynuowany z części; --restart czyta od\n"
    "                            początku. Po pełnym odczycie następny czyta tylko to, co\n"
    "                            urządzenie zapisało od tamtego, gdzie może sprawdzić, że\n"
    "                            reszta się nie zmieniła; --full czyta całość. Na port,\n"
    "                            który zniknął, czeka S sekund\n"
    "                            (domyślnie 120, 0: wcale). Na końcu linia z liczbą\n"
    "                            bajtów, czasem, szybkością i powtórzeniami (standardowe\n"
    "                            wyjście błędów) oraz ścieżka zapisanego pliku\n"
    "  settings dump [-o PLIK|-] bloki ustawień jako tekst (domyślnie na standardowe\n"
    "                            wyjście)\n"
    "  settings write PLIK|- [--dry-run] [--other-device]\n"
    "                            zapisuje pola różne od urządzenia, tylko bloki, które je\n"
    "                            zawierają; --dry-run tylko pokazuje różnice;\n"
    "                            --other-device przyjmuje plik innego urządzenia. Ctrl+C\n"
    "                            kończy zapisywany blok i nie zaczyna następnego; drugie\n"
    "                            Ctrl+C przerywa od razu\n"
    "  settings check PLIK|-     sprawdza każde pole pliku z granicami edytorów, bez\n"
    "                            urządzenia\n"
    "\n"
    "Opcje:\n"
    "  --port COMn|ŚCIEŻKA  port: COMn jak w terminalu (dowiązanie COMn obok config.cfg,\n"
    "                       inaczej /dev/ttyS<n-1>) albo ścieżka urządzenia\n"
    "  --baud N             szybkość łącza\n"
    "  --address N          adres urządzenia, 0..31\n"
    "  --config-dir FOLDER  folder config.cfg i dowiązań COMn (domyślnie folder ustawień\n"
    "                       terminala); musi istnieć\n"
    "  --trace PLIK         zapisuje do PLIKU każdą ramkę wysłaną i odebraną oraz każde\n"
    "                       przekroczenie czasu, powtórzenie, uszkodzoną ramkę,\n"
    "                       połączenie i rozłączenie, po jednej linii (ponad 10 MB\n"
    "                       starsza połowa przechodzi do PLIK.1)\n"
    "  --quiet, -q          bez linii postępu i komunikatów; błędy zostają\n"
    "  --json               wynik jako JSON (ports, info, clock, monitor: jeden obiekt na\n"
    "                       linię, readout, settings write --dry-run); błąd jako obiekt\n"
    "                       JSON {\"error\": kod, \"message\": tekst} na standardowym\n"
    "                       wyjściu błędów\n"
    "  --interval MS        monitor: odstęp odczytów, 100..3600000 ms\n"
    "  --count N            monitor: liczba odczytów\n"
    "  --help, -h           ten tekst\n"
    "  --version            wersja programu\n"
    "Port, szybkość i adres niepodane pochodzą z config.cfg albo są to COM1, 57600 i 31.\n"
    "Opcje mogą stać przed poleceniem i po nim; wartość może też stać po '='\n"
    "(--port=/dev/ttyUSB0). '--' może stać przed poleceniem; po poleceniu kończy opcje,\n"
    "tak że nazwa pliku może zaczynać się od '-'. '-' jako plik to standardowe wejście\n"
    "albo wyjście.\n"
    "\n"
    "Kod wyjścia: 0 wykonano; 1 zawiódł port, urządzenie, plik albo zapis na\n"
    "standardowe wyjście, albo plik ustawień jest błędny (powód na standardowym wyjściu\n"
    "błędów); 2 złe użycie. Zakończony przez SIGINT, SIGTERM albo SIGHUP oddaje port,\n"
    "zachowuje część odczytu i kończy się tym sygnałem. Zamknięty potok kończy polecenie\n"
    "(kod 1) bez komunikatu.\n"
    "\n"
    "Klucze JSON (liczby jako liczby, brak wartości: null):\n"
    "  ports     name, node, kind, manufacturer, product, serial, vendor_id, product_id,\n"
    "            driver, usable, problem, held_by\n"
    "  info      name, version, address, kind (recorder|programmer), speed_m_s,\n"
    "            position_m, inputs, outputs, test, tacho_0, tacho_1, low_supply,\n"
    "            inspection_due, supply_v\n"
    "  monitor   time, answered i klucze info od kind\n"
    "  clock     device_time, pc_time, difference_s, set, after\n"
    "  readout   path, bytes, seconds, rate_kb_s, retries, continued_from, repeat\n"
    "  settings write --dry-run\n"
    "            changes (section, key, device, file), kept_raw, written\n"
    "  błąd      error (port_missing, port_not_serial, port_denied, port_busy,\n"
    "            port_settings, port_gone, port_error, no_answer, device, file,\n"
    "            settings_file, other_device, output, config_dir, interrupted, system),\n"
    "            message\n"
    "Klucze tekstu ustawień opisuje re2-device(1).\n";

bool ParseNumber(std::string_view text, long long minimum, long long maximum, long long& out) {
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < minimum ||
        value > maximum) {
        return false;
    }
    out = value;
    return true;
}

// The values of the options without a letter, past every letter.
enum LongOnly {
    kVersion = 256,
    kPort,
    kBaud,
    kAddress,
    kConfigDir,
    kSet,
    kMaxDrift,
    kRestart,
    kWaitPort,
    kDryRun,
    kOtherDevice,
    kJson,
    kInterval,
    kCount,
    kTrace,
    kFull,
};

constexpr long long kMinIntervalMs = 100;
constexpr long long kMaxIntervalMs = 3600000;

constexpr option kLongOptions[] = {
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, kVersion},
    {"port", required_argument, nullptr, kPort},
    {"baud", required_argument, nullptr, kBaud},
    {"address", required_argument, nullptr, kAddress},
    {"config-dir", required_argument, nullptr, kConfigDir},
    {"quiet", no_argument, nullptr, 'q'},
    {"set", no_argument, nullptr, kSet},
    {"max-drift", required_argument, nullptr, kMaxDrift},
    {"restart", no_argument, nullptr, kRestart},
    {"wait-port", required_argument, nullptr, kWaitPort},
    {"dry-run", no_argument, nullptr, kDryRun},
    {"other-device", no_argument, nullptr, kOtherDevice},
    {"json", no_argument, nullptr, kJson},
    {"interval", required_argument, nullptr, kInterval},
    {"count", required_argument, nullptr, kCount},
    {"trace", required_argument, nullptr, kTrace},
    {"full", no_argument, nullptr, kFull},
    {nullptr, 0, nullptr, 0},
};

} // namespace

std::string DeviceCliHelp() {
    return kHelp;
}

std::string DeviceCliVersion() {
    return std::string("re2-device ") + kPackageVersion;
}

namespace {

// The command named by the words left after the options; false with the reason.
bool ParseCommand(const std::vector<std::string>& rest, t_device_cli_options& options,
                  std::string& error) {
    if (rest.empty()) {
        error = "nie podano polecenia";
        return false;
    }
    const std::string& command = rest[0];
    std::size_t arguments = 1;
    const bool settings = command == "settings" && rest.size() >= 2;
    if (command == "ports") {
        options.command = DeviceCommand::Ports;
    } else if (command == "info") {
        options.command = DeviceCommand::Info;
    } else if (command == "clock") {
        options.command = DeviceCommand::Clock;
    } else if (command == "monitor") {
        options.command = DeviceCommand::Monitor;
    } else if (command == "readout") {
        options.command = DeviceCommand::Readout;
    } else if (settings && rest[1] == "dump") {
        options.command = DeviceCommand::SettingsDump;
        arguments = 2;
    } else if (settings && rest.size() >= 3 && (rest[1] == "write" || rest[1] == "check")) {
        options.command =
            rest[1] == "write" ? DeviceCommand::SettingsWrite : DeviceCommand::SettingsCheck;
        options.input = rest[2];
        arguments = 3;
    } else if (command == "settings") {
        error = "settings wymaga 'dump', 'write PLIK' albo 'check PLIK'";
        return false;
    } else {
        error = "nieznane polecenie '" + command + "'";
        return false;
    }
    if (rest.size() > arguments) {
        error = "nieoczekiwane '" + rest[arguments] + "'";
        return false;
    }
    return true;
}

// Each command's own options belong to it alone.
bool CheckCommandOptions(const t_device_cli_options& options, std::string& error) {
    const DeviceCommand c = options.command;
    if ((options.setClock || options.maxDriftGiven) && c != DeviceCommand::Clock) {
        error = "--set i --max-drift należą do clock";
    } else if (options.maxDriftGiven && !options.setClock) {
        error = "--max-drift wymaga --set";
    } else if (!options.output.empty() && c != DeviceCommand::Readout &&
               c != DeviceCommand::SettingsDump) {
        error = "-o należy do readout i settings dump";
    } else if (c == DeviceCommand::Readout && options.output.empty()) {
        error = "readout wymaga -o PLIK.qz, -o FOLDER/ albo -o -";
    } else if (options.waitPortSeconds >= 0 && c != DeviceCommand::Readout) {
        error = "--wait-port należy do readout";
    } else if (options.restart && c != DeviceCommand::Readout) {
        error = "--restart należy do readout";
    } else if (options.full && c != DeviceCommand::Readout) {
        error = "--full należy do readout";
    } else if (!options.trace.empty() && c == DeviceCommand::Ports) {
        error = "--trace wymaga polecenia, które używa urządzenia; ports nie otwiera portu";
    } else if ((options.dryRun || options.otherDevice) && c != DeviceCommand::SettingsWrite) {
        error = "--dry-run i --other-device należą do settings write";
    } else if ((options.intervalGiven || options.count > 0) && c != DeviceCommand::Monitor) {
        error = "--interval i --count należą do monitor";
    } else if (options.json && c != DeviceCommand::Ports && c != DeviceCommand::Info &&
               c != DeviceCommand::Clock && c != DeviceCommand::Monitor &&
               c != DeviceCommand::Readout &&
               !(c == DeviceCommand::SettingsWrite && options.dryRun)) {
        error = "--json należy do ports, info, clock, monitor, readout i settings write "
                "--dry-run";
    } else if (options.json && c == DeviceCommand::Readout && options.output == kStandardStream) {
        error = "readout -o - pisze obraz na standardowe wyjście: bez --json";
    } else {
        return true;
    }
    return false;
}

} // namespace

bool ParseDeviceCli(const std::vector<std::string>& words, t_device_cli_options& options,
                    std::string& error) {
    std::vector<std::string> rest; // the command and its arguments
    OptionScan scan(words, "ho:q", kLongOptions);
    for (OptionScan::Item item = scan.Next(); item.kind != OptionScan::Kind::End;
         item = scan.Next()) {
        const std::string& value = item.text;
        long long number = 0;
        switch (item.kind) {
        case OptionScan::Kind::Operand:
            rest.push_back(value);
            continue;
        case OptionScan::Kind::EndOfOptions:
            // Before the command it only closes the global options; after it, the words
            // left are the command's, so a file name may start with "-".
            if (!rest.empty()) {
                scan.OperandsOnly();
            }
            continue;
        case OptionScan::Kind::Unknown:
            error = "nieznana opcja " + value;
            return false;
        case OptionScan::Kind::MissingValue:
            error = value + " wymaga wartości";
            return false;
        case OptionScan::Kind::Option:
        case OptionScan::Kind::End:
            break;
        }
        switch (item.option) {
        case 'h':
            options.command = DeviceCommand::Help;
            return true;
        case kVersion:
            options.command = DeviceCommand::Version;
            return true;
        case kPort:
            if (value.empty()) {
                error = "--port wymaga portu";
                return false;
            }
            options.port = value;
            break;
        case kBaud:
            if (!ParseNumber(value, 1, 4000000, number)) {
                error = "zła szybkość '" + value + "'";
                return false;
            }
            options.baudRate = static_cast<int>(number);
            break;
        case kAddress:
            if (!ParseNumber(value, 0, kMaxDeviceAddress, number)) {
                error = "zły adres urządzenia '" + value + "' (0..31)";
                return false;
            }
            options.deviceAddress = static_cast<int>(number);
            break;
        case kConfigDir:
            if (value.empty()) {
                error = "--config-dir wymaga folderu";
                return false;
            }
            options.configDirectory = value;
            break;
        case 'q':
            options.quiet = true;
            break;
        case kSet:
            options.setClock = true;
            break;
        case kMaxDrift:
            if (!ParseNumber(value, 0, 1000000000, number)) {
                error = "zła różnica '" + value + "' (sekundy, 0 lub więcej)";
                return false;
            }
            options.maxDriftGiven = true;
            options.maxDriftSeconds = number;
            break;
        case 'o':
            if (value.empty()) {
                error = "-o wymaga nazwy pliku";
                return false;
            }
            options.output = value;
            break;
        case kRestart:
            options.restart = true;
            break;
        case kWaitPort:
            if (!ParseNumber(value, 0, 86400, number)) {
                error = "zły czas oczekiwania na port '" + value + "' (sekundy, 0..86400)";
                return false;
            }
            options.waitPortSeconds = number;
            break;
        case kDryRun:
            options.dryRun = true;
            break;
        case kOtherDevice:
            options.otherDevice = true;
            break;
        case kJson:
            options.json = true;
            break;
        case kFull:
            options.full = true;
            break;
        case kTrace:
            if (value.empty()) {
                error = "--trace wymaga nazwy pliku";
                return false;
            }
            options.trace = value;
            break;
        case kInterval:
            if (!ParseNumber(value, kMinIntervalMs, kMaxIntervalMs, number)) {
                error = "zły odstęp '" + value + "' (ms, 100..3600000)";
                return false;
            }
            options.intervalMs = number;
            options.intervalGiven = true;
            break;
        case kCount:
            if (!ParseNumber(value, 1, 1000000000, number)) {
                error = "zła liczba odczytów '" + value + "' (1 lub więcej)";
                return false;
            }
            options.count = number;
            break;
        }
    }
    return ParseCommand(rest, options, error) && CheckCommandOptions(options, error);
}
