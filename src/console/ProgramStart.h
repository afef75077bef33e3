#pragma once

#include <QString>

#include <functional>
#include <optional>

namespace tolvane::console {

// The usage: every option and every exit status, in English for scripts and cron mail.
QString usageText();

// What a start of the program does without a window: the usage (--help, -h), the
// version, a command line that makes no sense, a command handed to the running
// console, or the console without a window (--headless). None of these needs a
// display. Returns the exit status, or nothing when the start asks for the window.
// `beforeOutput` runs before the first line is written (the window program on Windows
// finds a console to write to there).
std::optional<int> runWithoutWindow(int argc, char* argv[],
                                    const std::function<void()>& beforeOutput = {});

} // namespace tolvane::console
