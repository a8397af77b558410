#pragma once
// Wine's mapping of Windows paths to the Unix paths behind them, for tests that hand paths to
// native programs or set up drive letters.
#include <string>

// True when the tests run under Wine (its kernel32 has the path translation).
bool RunningUnderWine();
// The Unix path Wine maps the Windows path to; "" when not under Wine or not mapped.
std::string WineUnixPath(const std::string& windowsPath);
