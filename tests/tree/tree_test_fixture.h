// A fresh, empty tree for each test, freed afterwards.
#pragma once

#include "tree/tree.h"

#include <gtest/gtest.h>

class TreeTest : public ::testing::Test {
protected:
    void SetUp() override { tree_init(); }
    void TearDown() override { tree_free(); }
};
