#include "textcontrol.h"

#include <gtest/gtest.h>
