#pragma once

#include <string>

// The text of an unexpected error as the user is shown it: a full stop is
// added when the text's last character sorts after ".".
std::string errorMessageText(std::string what);
