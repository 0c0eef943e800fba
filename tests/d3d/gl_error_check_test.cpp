#include "d3d/gl_error_check.h"

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include "device_fixture.h"

namespace tavrin::testing {
namespace {

using GlErrorCheck = DeviceTest;

TEST_F(GlErrorCheck, CheckedBuildsStopAtTheCallThatRaisedAnError) {
    if (!d3d::GlErrorCheckEnabled()) {
        // Release builds leave errors to whoever reads glGetError.
        glBindBuffer(0x1234, 0);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_INVALID_ENUM));
        return;
    }
    // A fresh process runs the test up to the bad call, so the GL context is its own.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(glBindBuffer(0x1234, 0), "GL error: .*GL_INVALID_ENUM");
}

TEST_F(GlErrorCheck, ExpectedErrorsAreLeftForTheCallerToRead) {
    const d3d::ExpectedGlErrors expected;
    glBindBuffer(0x1234, 0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_INVALID_ENUM));
}

}  // namespace
}  // namespace tavrin::testing
