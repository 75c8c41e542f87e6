// The worker threads behind the global queues.
#pragma once

#include <functional>

namespace nimbra::dispatch {
void poolAsync(std::function<void()> block);
}  // namespace nimbra::dispatch
