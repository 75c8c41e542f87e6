#pragma once

#include "CoreText/CTFont.h"
#include "CoreText/CTFrame.h"
#include "CoreText/CTFramesetter.h"
#include "CoreText/CTLayoutRules.h"
#include "CoreText/CTLine.h"
#include "CoreText/CTParagraphStyle.h"
#include "CoreText/CTRun.h"
#include "CoreText/CTStringAttributes.h"
#include "CoreText/CTTypesetter.h"
