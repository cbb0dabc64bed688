#include "base/system_error_text.h"

#include <cerrno>
#include <cstring>

namespace {

struct t_error_text {
    int error;
    const char* text;
};

constexpr t_error_text kTexts[] = {
    {EPERM, "operacja niedozwolona"},
    {ENOENT, "nie ma takiego pliku ani folderu"},
    {EIO, "błąd wejścia/wyjścia"},
    {ENXIO, "nie ma takiego urządzenia"},
    {EACCES, "brak dostępu"},
    {EBUSY, "urządzenie jest zajęte"},
    {EEXIST, "plik już istnieje"},
    {ENODEV, "nie ma takiego urządzenia"},
    {ENOTDIR, "to nie jest folder"},
    {EISDIR, "to jest folder"},
    {EINVAL, "nieprawidłowy argument"},
    {EMFILE, "za dużo otwartych plików"},
    {ENOTTY, "to nie jest terminal"},
    {EFBIG, "plik jest za duży"},
    {ENOSPC, "brak miejsca na urządzeniu"},
    {EROFS, "system plików tylko do odczytu"},
    {EPIPE, "potok zamknięty"},
    {ENAMETOOLONG, "za długa nazwa"},
    {ELOOP, "za dużo dowiązań symbolicznych"},
    {EWOULDBLOCK, "zasób chwilowo niedostępny"},
    {ENOTSUP, "operacja nieobsługiwana"},
    {ETIMEDOUT, "przekroczony czas oczekiwania"},
    {EDQUOT, "przekroczony przydział dysku"},
};

} // namespace

std::string SystemErrorText(int error) {
    for (const t_error_text& entry : kTexts) {
        if (entry.error == error) {
            return entry.text;
        }
    }
    char buffer[256];
    // The GNU strerror_r gives a pointer that may or may not be the buffer.
    return strerror_r(error, buffer, sizeof buffer);
}
