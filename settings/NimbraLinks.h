// The web pages the pane opens. The social network's host is shared by the developer's
// profile and the icon designer's.
#pragma once

namespace nimbra {

inline constexpr const char* kSocialNetworkHost = "twitter.com";
inline constexpr const char* kTwitterURL = "http://twitter.com/Varenko";
inline constexpr const char* kDonateURL = "http://bit.ly/NimbraDonate";
inline constexpr const char* kWebsiteURL = "http://varenko.github.io";

}  // namespace nimbra
