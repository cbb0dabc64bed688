#pragma once
// The reason for a failed system call in Polish, as the user of the program reads every
// other message: the common errors of files and devices have their own text, any other the
// system's message.

#include <string>

std::string SystemErrorText(int error);
