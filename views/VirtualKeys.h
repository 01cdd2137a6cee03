// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The editors dispatch on the classic virtual-key codes (letters and digits are their ASCII
// codes), so the key handlers read the same whatever toolkit delivers the key.
namespace VirtualKey
{
constexpr unsigned Tab = 0x09;
constexpr unsigned Return = 0x0D;
constexpr unsigned PageUp = 0x21;
constexpr unsigned PageDown = 0x22;
constexpr unsigned End = 0x23;
constexpr unsigned Home = 0x24;
constexpr unsigned Left = 0x25;
constexpr unsigned Up = 0x26;
constexpr unsigned Right = 0x27;
constexpr unsigned Down = 0x28;
constexpr unsigned Insert = 0x2D;
constexpr unsigned Delete = 0x2E;
constexpr unsigned KeypadMultiply = 0x6A;
constexpr unsigned KeypadDecimal = 0x6E;
constexpr unsigned KeypadDivide = 0x6F;
constexpr unsigned KeypadZero = 0x60;
constexpr unsigned Comma = 0xBC;
constexpr unsigned Period = 0xBE;
constexpr unsigned Slash = 0xBF;
} // namespace VirtualKey
