// Messages the engine shows the user. Stands in for a message box until the window layer
// offers them; without a display a box goes to standard error, as every headless box does.
#pragma once

#include <string>

void ShowUserMessage(const std::string& text);
