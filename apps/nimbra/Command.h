// Subcommands of `nimbra` register themselves, one source file each: a commandline::Command
// that declares its options (its usage and help are made from them) and does its work in
// run().
//
//   const nimbra::Registration home{[] { return std::make_shared<HomeCommand>(); }};
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "CommandLine.h"

namespace nimbra {

using CommandMaker = std::function<std::shared_ptr<commandline::Command>()>;

struct Registration {
  explicit Registration(CommandMaker make);
};

std::vector<CommandMaker>& commands();

}  // namespace nimbra
