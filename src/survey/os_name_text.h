#pragma once
// The name of the Windows the survey shows. Windows 11 kept "Windows 10" in
// its ProductName (a Windows 11 IoT Enterprise PC says "Windows 10 IoT
// Enterprise"); its build number, 22000 and up, is what tells them apart.
// Pure text logic, the same on every build; nothing here fails.

#include <string>

namespace survey {

// `product_name` with its "Windows 10" read as "Windows 11" when
// `build_number` (CurrentBuildNumber, decimal digits alone) is 22000 or
// higher; anything else, an unreadable build number included, leaves the name
// as it is.
[[nodiscard]] std::wstring ShownOsName(const std::wstring& product_name,
                                       const std::wstring& build_number);

}  // namespace survey
