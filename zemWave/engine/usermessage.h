// The engine's stand-in for a message box until the window layer offers them: without a
// display a box goes to standard error, as every headless box does.
#pragma once

#include <string>

void PrintUserMessage(const std::string& text);
