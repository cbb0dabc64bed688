#pragma once
// The program's name and version, as the banner, the About box and message boxes show them.

inline constexpr char kProgramName[] = "Dovuzedu RE2";
inline constexpr int kProgramVersion = 1;
// Start-up banner; the version stands right-aligned in three characters.
inline constexpr char kBannerFormat[] = "Dovuzedu RE2 Dec  2 2009, wersja %3d";
// The version of the package ("1.0"), as the command-line programs' --version gives it:
// the project's version in CMakeLists.txt, the one the package is named by.
extern const char kPackageVersion[];
