// A test of the product's render context on a visible 320x240 window of its
// own: each test creates the context it needs, and the teardown releases the
// context and the window whatever the test left.
#pragma once
#include <gtest/gtest.h>

#include "tests/support/gl_test_context.h"
#include "win32/render.h"

class RenderWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_hWnd = CreateGlTestWindow(320, 240, true);
        ASSERT_NE(m_hWnd, nullptr);
    }
    void TearDown() override
    {
        DestroyRenderContext();
        DestroyWindow(m_hWnd);
    }
    HWND m_hWnd = nullptr;
};
