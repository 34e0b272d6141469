#include "plaintext.h"

#include <gtest/gtest.h>
