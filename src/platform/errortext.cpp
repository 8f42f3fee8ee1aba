#include "platform/errortext.h"

std::string errorMessageText(std::string what) {
    if (!what.empty() && static_cast<unsigned char>(what.back()) > '.') what += '.';
    return what;
}
