#pragma once
// The program icon, resource 128: a speed gauge drawn in code.

void RegisterProgramIcon();
