#include "mac/ipc/PIPCObjectName.h"

#include <gtest/gtest.h>

#include <string>

#include "core/base/GException.h"
#include "support/ScopedEnvironment.h"

namespace {

std::string Name(const char* id) { return reinterpret_cast<const char*>(PIPCObjectName::Make(GBuffer(id)).GetPtr()); }

TEST(PIPCObjectNameTest, PrefixGoesRightAfterTheSlash) {
    struct Case {
        const char* prefix;  // null: unset
        const char* name;
    } const cases[] = {{nullptr, "/KvoShDGIPC_PP"}, {"", "/KvoShDGIPC_PP"}, {"t1_", "/t1_KvoShDGIPC_PP"}};
    for (const Case& c : cases) {
        ScopedEnvironment environment;
        if (c.prefix == nullptr)
            environment.Unset("TROVEL_SHM_PREFIX");
        else
            environment.Set("TROVEL_SHM_PREFIX", c.prefix);
        EXPECT_EQ(c.name, Name("KvoShDGIPC_PP"));
    }
}

TEST(PIPCObjectNameTest, PrefixThatCouldLeaveTheNamespaceIsRefused) {
    for (const std::string& prefix : {std::string("a/b"), std::string("../x"), std::string("a b"), std::string(65, 'p')}) {
        ScopedEnvironment environment;
        environment.Set("TROVEL_SHM_PREFIX", prefix);
        try {
            PIPCObjectName::Make(GBuffer("X"));
            ADD_FAILURE() << prefix;
        } catch (const GException& e) {
            EXPECT_EQ(40162, e.GetExceptionID()) << prefix;
        }
    }
    ScopedEnvironment environment;
    environment.Set("TROVEL_SHM_PREFIX", std::string(64, 'p'));
    EXPECT_EQ("/" + std::string(64, 'p') + "X", Name("X"));
}

}  // namespace
