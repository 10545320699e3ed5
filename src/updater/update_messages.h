#pragma once

// What the online upgrade says when it cannot start; the window says the
// same before it hands over to the updater.

namespace wormpair {

inline constexpr const char* kNoUpdateServerMessage = "本程序未设置升级服务器地址，无法在线升级。";
inline constexpr const char* kNoUpdateKeyMessage = "本程序未设置升级签名公钥，无法在线升级。";

}  // namespace wormpair
