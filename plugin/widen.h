#pragma once
// Names and titles are formed as 8-bit text and widened to the SDK's
// 128-character UTF-16 string.

#include <array>
#include <string_view>

#include "pluginterfaces/vst/vsttypes.h"

namespace korvalest::plugins {

using String128Buffer = std::array<Steinberg::Vst::TChar, 128>;

inline String128Buffer widen128(std::string_view text)
{
    String128Buffer out{};
    for (size_t i = 0; i < text.size() && i + 1 < out.size(); ++i)
        out[i] = static_cast<Steinberg::Vst::TChar>(static_cast<unsigned char>(text[i]));
    return out;
}

inline String128Buffer widen128(const char* text)
{
    return widen128(std::string_view(text ? text : ""));
}

} // namespace korvalest::plugins
