#include "platform/UserName.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <pwd.h>
#include <string>
#include <unistd.h>

namespace {

// Sets $USER for one test and puts the old value back.
class UserVariable {
  public:
    explicit UserVariable(const char* value) {
        if (const char* old = std::getenv("USER")) old_ = old, hadOld_ = true;
        setenv("USER", value, 1);
    }
    ~UserVariable() {
        if (hadOld_)
            setenv("USER", old_.c_str(), 1);
        else
            unsetenv("USER");
    }

  private:
    std::string old_;
    bool hadOld_ = false;
};

} // namespace

TEST(UserName, TheAccountNameComesBeforeTheEnvironment) {
    EXPECT_EQ(platform::ChooseUserName("anna", "bert"), u"anna");
    EXPECT_EQ(platform::ChooseUserName(nullptr, "bert"), u"bert");
    EXPECT_EQ(platform::ChooseUserName("", "bert"), u"bert");
    EXPECT_EQ(platform::ChooseUserName(nullptr, nullptr), u"");
    EXPECT_EQ(platform::ChooseUserName(nullptr, ""), u"");
    EXPECT_EQ(platform::ChooseUserName("j\xC3\xB6rg", nullptr), u"j\u00F6rg");

    // A changed $USER does not change who the program runs as.
    const passwd* account = getpwuid(getuid());
    if (!account || !account->pw_name || !*account->pw_name) GTEST_SKIP() << "this user has no account entry";
    UserVariable user("somebody-else");
    EXPECT_EQ(platform::UserName(), platform::ChooseUserName(account->pw_name, nullptr));
}

TEST(UserName, AFixedBufferGetsTheNameOnlyWithRoomForItsEnd) {
    UserVariable user("farmer");
    const std::u16string name = platform::UserName();
    ASSERT_FALSE(name.empty());
    const uint32_t needed = uint32_t(name.size()) + 1;

    // One character short: nothing is written and the needed size comes back.
    std::u16string buffer(needed + 4, u'#');
    uint32_t size = needed - 1;
    EXPECT_FALSE(platform::GetUserName(buffer.data(), &size));
    EXPECT_EQ(size, needed);
    EXPECT_EQ(buffer, std::u16string(needed + 4, u'#'));

    size = needed;
    ASSERT_TRUE(platform::GetUserName(buffer.data(), &size));
    EXPECT_EQ(size, needed);
    EXPECT_EQ(buffer.substr(0, name.size()), name);
    EXPECT_EQ(buffer[name.size()], u'\0');
    EXPECT_EQ(buffer[needed], u'#'); // nothing past the end

    // A size query without a buffer.
    size = 0;
    EXPECT_FALSE(platform::GetUserName(nullptr, &size));
    EXPECT_EQ(size, needed);
    EXPECT_FALSE(platform::GetUserName(buffer.data(), nullptr));
}
