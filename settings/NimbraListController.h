// The root list of the settings pane.
#pragma once

#include "Preferences/PSListController.h"

class NimbraListController : public PSListController {
  OBJC_CLASS(NimbraListController, PSListController)

 public:
  // Loads the list "Nimbra" once; tints this class's switches, segmented controls and
  // sliders on every call.
  Strong<NSArray> specifiers();

  void openTwitter();
  void openDonate();
  void openWebsite();
};
