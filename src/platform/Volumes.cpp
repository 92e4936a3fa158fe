#include "platform/Volumes.h"

std::string DriveRoot(char letter) {
    if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 32);
    if (letter < 'A' || letter > 'Z') return {};
    return std::string(1, letter) + ":\\";
}
