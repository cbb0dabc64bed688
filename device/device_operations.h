#pragma once
// The device operations of the service terminal, each run start to end against a session:
// it writes the console, exchanges with the device and asks the user through the session.
// Those that open an editor need a session with a window.

#include <string>

class CDeviceSession;

// "Wersje": the terminal's banner, then the device's name and version.
void ShowVersions(CDeviceSession& session, const std::string& terminalBanner);
// "Aktualizuj czas": reads the device clock and, when the user agrees, sets it to the PC's
// local time.
void UpdateClock(CDeviceSession& session);
// "Reset": when the user is sure, tells the device to restart; no reply is awaited.
void ResetDevice(CDeviceSession& session);

// "Określ położenie": reads the position, lets the user edit it in metres, writes it back.
void EditPosition(CDeviceSession& session);
// "Statystyka": reads the statistics record, shows it for editing, writes it back.
void EditStatistics(CDeviceSession& session);
// "Konfiguracja", "Programator", "Przeglądy", "Przekaźniki": a settings block through its
// editor.
void EditConfiguration(CDeviceSession& session);
void EditProgrammer(CDeviceSession& session);
void EditInspections(CDeviceSession& session);
void EditRelays(CDeviceSession& session);
