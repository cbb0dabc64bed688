#pragma once
// Registers the program's dialog templates and icon with the framework. Called once at
// start, before the main window is created (and by test mains).

void RegisterProgramTemplates();

// One per group of dialogs, each in its own file.
void RegisterMainTemplates();    // 102 main window, 129 port, 100 About; icon 128
void RegisterLinkTemplates();    // 192 wait box, 193 progress box
void RegisterDeviceTemplates();  // 167, 185, 195, 203, 204, 205, 206
void RegisterMeasureTemplates(); // 198 chart
