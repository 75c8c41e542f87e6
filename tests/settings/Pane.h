// The real Nimbra.bundle, loaded from the staged tree as the Settings app loads it; its
// classes are reached by name only.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "Preferences/PSAllocation.h"
#include "Preferences/PSListController.h"
#include "UIKit/UINavigationController.h"

inline const std::string& bundleDir() {
  static const std::string dir = NIMBRA_ROOT "/Library/PreferenceBundles/Nimbra.bundle";
  return dir;
}

inline void loadBundle() {
  std::string error;
  ASSERT_TRUE(objc_loadPlugin(bundleDir() + "/Nimbra", &error)) << error;
}

// A new object of a bundle class, by name.
template <class T>
Strong<T> make(const char* className) {
  return objc_cast<T>(PSAllocInstance(objc_getClass(className)));
}
