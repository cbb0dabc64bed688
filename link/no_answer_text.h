#pragma once
// What the user is told, in a box or on the error stream, when the device gave no reply
// to a request, or none that could be read.

inline constexpr char kNoAnswerText[] = "Urządzenie nie odpowiada";
