#include "access_policy.h"

#include <array>
#include <cstdio>
#include <random>

namespace plenorium::preview {

std::string newAccessToken() {
  std::random_device random;  // the kernel's random source
  std::string token;
  for (int i = 0; i < 4; ++i) {
    char word[9];
    std::snprintf(word, sizeof(word), "%08x", static_cast<unsigned>(random()));
    token += word;
  }
  return token;
}

bool AccessPolicy::hostAllowed(const std::string& host) const {
  const std::string port = ":" + std::to_string(port_);
  for (const char* name : {"127.0.0.1", "localhost", "[::1]"}) {
    if (host == name + port) return true;
  }
  return false;
}

bool AccessPolicy::originAllowed(const std::string& origin) const {
  if (origin.empty()) return true;
  const std::string port = ":" + std::to_string(port_);
  for (const char* name : {"http://127.0.0.1", "http://localhost", "http://[::1]"}) {
    if (origin == name + port) return true;
  }
  return false;
}

bool AccessPolicy::sameToken(const std::string& given) const {
  // Compared in full whatever differs first, so that timing tells nothing of the token.
  unsigned difference = given.size() == token_.size() ? 0u : 1u;
  for (std::size_t i = 0; i < token_.size(); ++i) {
    difference |= static_cast<unsigned char>(token_[i]) ^ static_cast<unsigned char>(i < given.size() ? given[i] : 0);
  }
  return difference == 0;
}

bool AccessPolicy::tokenGiven(const std::string& queryToken, const std::string& cookieHeader) const {
  if (!queryToken.empty() && sameToken(queryToken)) return true;
  const std::string key = std::string(COOKIE) + "=";
  std::size_t at = 0;
  while ((at = cookieHeader.find(key, at)) != std::string::npos) {
    if (at == 0 || cookieHeader[at - 1] == ' ' || cookieHeader[at - 1] == ';') {
      const std::size_t start = at + key.size();
      const std::size_t end = cookieHeader.find(';', start);
      if (sameToken(cookieHeader.substr(start, end == std::string::npos ? std::string::npos : end - start)))
        return true;
    }
    at += key.size();
  }
  return false;
}

std::string AccessPolicy::cookie() const {
  return std::string(COOKIE) + "=" + token_ + "; Path=/; HttpOnly; SameSite=Strict";
}

}  // namespace plenorium::preview
