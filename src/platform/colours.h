#pragma once

#include <cstdint>

// Colours of every list and text area by colour scheme: 1 black, 2 sepia,
// anything else white.
struct SchemeColours {
    uint32_t background;  // 0xRRGGBB
    uint32_t text;
};

constexpr SchemeColours schemeColours(int scheme) {
    switch (scheme) {
        case 1: return {0x000000, 0xFFFFFF};
        case 2: return {0xFBF0D9, 0x000000};
        default: return {0xFFFFFF, 0x000000};
    }
}
