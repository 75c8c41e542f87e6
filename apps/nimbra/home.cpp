// nimbra home: the home screen rendered to a PNG, the plug-in loaded as the host loads it.
#include "Command.h"
#include "HomeHost.h"
#include "HomeWindow.h"

namespace {

const nimbra::Registration home{
    [] { return std::make_shared<homehost::HomeCommand>("home", &homewindow::run); }};

}  // namespace
