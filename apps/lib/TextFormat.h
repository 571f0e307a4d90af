// printf-style formatting into a string, for the programs' text and pictures.
#pragma once

#include <string>

// The text fmt gives with the arguments, cut at 511 characters.
std::string TextFormat_printf(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
