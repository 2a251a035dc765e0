#include "SelectFiles.h"
