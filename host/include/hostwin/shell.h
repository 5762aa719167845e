// Shell, COM shell links, common controls, common dialogs and DDE of the host
// layer. Filled in as the program comes to use them.
#pragma once

#include "types.h"
