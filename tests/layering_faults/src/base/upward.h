// A tree the layering check must refuse: base/ reaching up to pipeline/.
#pragma once
#include "pipeline/update_run.h"
