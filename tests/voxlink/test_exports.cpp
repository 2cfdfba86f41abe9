// The shared library exports exactly the public interface.
#include <gtest/gtest.h>

#include <dlfcn.h>

namespace {

TEST(SharedLibrary, ExportsThePublicInterfaceOnly)
{
    void *library = dlopen(VOXLINK_SHARED_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    for (const char *name : {"errnum", "subtitle_start", "subtitle_end", "subtitle_strerror", "file_finger",
                             "subtitle_regist", "subtitle_login", "subtitle_logout", "subtitle_update",
                             "subtitle_session", "subtitle_recharge", "subtitle_balance", "subtitle_costlog",
                             "subtitle_alipay", "subtitle_audio", "subtitle_query"})
        EXPECT_NE(dlsym(library, name), nullptr) << name;
    for (const char *name : {"voxlink_set_wait_bounds_for_tests", "vx_exchange", "vx_decode_frame",
                             "vx_error_messages", "vx_connect"})
        EXPECT_EQ(dlsym(library, name), nullptr) << name;
    dlclose(library);
}

} // namespace
