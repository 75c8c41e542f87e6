#pragma once

#include "SpringBoard/SBApplicationIcon.h"
#include "SpringBoard/SBFolderIcon.h"
#include "SpringBoard/SBFolderIconView.h"
#include "SpringBoard/SBHomeScreen.h"
#include "SpringBoard/SBIcon.h"
#include "SpringBoard/SBIconBadgeView.h"
#include "SpringBoard/SBIconView.h"
#include "SpringBoard/SBPluginLoader.h"
#include "SpringBoard/SBRecycledViewsContainer.h"
