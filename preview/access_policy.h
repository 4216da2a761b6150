// Who may use the preview server: a request must come with the session's token (in the address
// the command printed, then in a cookie), name the server itself in `Host` (a page of another site
// that a DNS trick points at 127.0.0.1 names its own host), and, to change anything, be a POST
// whose `Origin` is the server's own or absent.
#pragma once

#include <string>

namespace plenorium::preview {

// A random token of 128 bits and more, as 32 hexadecimal digits.
std::string newAccessToken();

class AccessPolicy {
 public:
  AccessPolicy(std::string token, int port) : token_(std::move(token)), port_(port) {}

  const std::string& token() const { return token_; }
  static constexpr const char* COOKIE = "plenorium_preview";

  // Whether the Host header names this server: 127.0.0.1, localhost or [::1] with its port.
  bool hostAllowed(const std::string& host) const;
  // Whether an Origin header (empty when absent) is this server's own.
  bool originAllowed(const std::string& origin) const;
  // Whether the request carries the token, in its query (`queryToken`) or its Cookie header.
  bool tokenGiven(const std::string& queryToken, const std::string& cookieHeader) const;
  // The Set-Cookie value that lets the page's own requests in without the token.
  std::string cookie() const;

 private:
  bool sameToken(const std::string& given) const;

  std::string token_;
  int port_;
};

}  // namespace plenorium::preview
