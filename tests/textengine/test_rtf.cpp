#include "rtfmodel.h"

#include <gtest/gtest.h>
