#pragma once

#include <string>

// Files the programs read at run time lie beside the program in the build tree and in
// <prefix>/share/mzorvany once installed (the program in <prefix>/bin). Given the path
// beside the program: that path when the file is there, else the installed one when that
// is there, else the path unchanged.
std::string FindDataFile(const std::string& besideProgram);
