#pragma once
// The operations on the memory image of the recorder, each run start to end against a
// session. Those that open a file dialog or a chart need a session with a window.

#include <string>

class CDeviceSession;

// "Odczyt pomiarów": reads the recorder memory into the session's image. A failed or
// aborted readout leaves the image as it was.
void ReadRecorder(CDeviceSession& session);

// "Odczytaj z pliku": asks for a measurement file and loads it as the image.
void LoadImageFile(CDeviceSession& session);
// "Zapisz do pliku": asks for a file name, the dialog starting in initialDir (empty: where
// the program was started), and saves the image there.
void SaveImageFile(CDeviceSession& session, const std::string& initialDir);

// "Droga w czasie" and "Prędkość w czasie": the image's runs as a chart.
void ShowPositionChart(CDeviceSession& session);
void ShowSpeedChart(CDeviceSession& session);
