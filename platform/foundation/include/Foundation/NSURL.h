// URLs as RFC 3986 references: scheme, authority (user, host, port), path, query and
// fragment. The string is kept as given.
#pragma once

#include <string>

#include "Foundation/FoundationExport.h"
#include "Foundation/NSObjCRuntime.h"

class NSString;

class NIMBRA_FOUNDATION_API NSURL : public NSObject {
  OBJC_CLASS(NSURL, NSObject)

 public:
  // None for none, an empty string, or a string with characters a URL cannot hold
  // (spaces, non-ASCII, a bad percent escape) or a malformed scheme or port.
  static Strong<NSURL> URLWithString(const Strong<NSString>& s);
  static Strong<NSURL> URLWithString(const std::string& s);
  // "file://" with the path percent-encoded; relative paths are made absolute against
  // the working directory.
  static Strong<NSURL> fileURLWithPath(const Strong<NSString>& path);

  Strong<NSString> absoluteString() const;
  // None when absent.
  Strong<NSString> scheme() const;
  Strong<NSString> host() const;
  Strong<NSString> user() const;
  Strong<NSString> port() const;  // digits as written; none when absent
  // Percent-decoded; a trailing '/' is dropped except for the root. Empty when absent.
  Strong<NSString> path() const;
  Strong<NSString> query() const;
  Strong<NSString> fragment() const;
  // Everything after "scheme:".
  Strong<NSString> resourceSpecifier() const;
  BOOL isFileURL() const;

  BOOL isEqual(const NSObject* other) const override;
  using NSObject::isEqual;
  std::size_t hash() const override;
  std::string description() const override { return string_; }

  struct Parts {
    std::string scheme, user, host, port, path, query, fragment;
    bool hasScheme = false, hasAuthority = false, hasUser = false, hasPort = false,
         hasQuery = false, hasFragment = false;
  };
  NSURL(std::string string, Parts parts) : string_(std::move(string)), parts_(std::move(parts)) {}

 private:
  std::string string_;
  Parts parts_;
};
