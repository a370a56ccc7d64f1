#pragma once

// The program's name as the desktop shows it.
namespace appinfo {
inline constexpr char kApplicationName[] = "PostSweep";
} // namespace appinfo
