// The queue of layers waiting for redisplay, between CALayer and CATransaction.
#pragma once

class CALayer;

namespace quartzcore {

// Queues a layer that has just been marked; the first of a turn schedules the commit.
void layerNeedsDisplay(CALayer* layer);

}  // namespace quartzcore
