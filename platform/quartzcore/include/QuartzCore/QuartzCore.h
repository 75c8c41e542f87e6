#pragma once

#include "QuartzCore/CACompositor.h"
#include "QuartzCore/CALayer.h"
#include "QuartzCore/CATransaction.h"
