// A user message where no window layer shows it (a plain engine, a control module before its
// first control): standard error, as every box without a display goes.
#pragma once

#include <string>

void PrintUserMessage(const std::string& text);
