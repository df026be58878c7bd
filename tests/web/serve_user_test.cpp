// zol5300 serve-user: the accounts file, its mode, and what a running server makes of it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <set>

#include "support/web_server.h"
#include "web/form.h"
#include "web/sessions.h"

namespace zol::test {
namespace {

TEST(ServeUser, AddListRemoveKeepTheFilePrivate) {
    const TempDir dir("zol_users_");
    const fs::path users = dir / "conf" / "users";
    EXPECT_EQ(serve_user(users, {"add", "b.lee"}, "first-password").code, 0);
    EXPECT_EQ(mode_of(users), 0600u);
    EXPECT_EQ(mode_of(users.parent_path()), 0700u);
    EXPECT_EQ(serve_user(users, {"add", "a_chen"}, "second-password").code, 0);
    const std::string first = read_file(users);
    EXPECT_TRUE(
        std::regex_match(first, std::regex("b\\.lee:\\$y\\$[^:\\n]+\\na_chen:\\$y\\$[^:\\n]+\\n")))
        << first;
    EXPECT_EQ(first.find("first-password"), std::string::npos);
    // Adding a name again gives it a new hash.
    const RunOutput again = serve_user(users, {"add", "b.lee"}, "first-password");
    EXPECT_EQ(again.code, 0);
    EXPECT_NE(again.out.find("已變更密碼"), std::string::npos);
    EXPECT_NE(read_file(users).substr(0, 30), first.substr(0, 30));
    EXPECT_EQ(serve_user(users, {"list"}).out, "b.lee\na_chen\n");
    EXPECT_EQ(serve_user(users, {"remove", "b.lee"}).code, 0);
    EXPECT_EQ(serve_user(users, {"list"}).out, "a_chen\n");
    EXPECT_EQ(mode_of(users), 0600u);
    const RunOutput missing = serve_user(users, {"remove", "b.lee"});
    EXPECT_EQ(missing.code, 2);
    EXPECT_NE(missing.err.find("沒有帳號 b.lee"), std::string::npos);
    // A file others may read is refused, as a link is.
    ::chmod(users.c_str(), 0644);
    const RunOutput open = serve_user(users, {"list"});
    EXPECT_EQ(open.code, 4);
    EXPECT_NE(open.err.find("chmod 600"), std::string::npos);
    fs::create_symlink(users, dir / "link");
    EXPECT_EQ(serve_user(dir / "link", {"list"}).code, 4);
}

TEST(ServeUser, RefusesUnsafeNamesAndShortPasswords) {
    const TempDir dir("zol_users_");
    const struct {
        std::vector<std::string> args;
        std::string password;
        const char* says;
    } cases[] = {
        {{"add", ""}, "long-enough", "1 到 32"},
        {{"add", std::string(33, 'a')}, "long-enough", "1 到 32"},
        {{"add", "a b"}, "long-enough", "只能用"},
        {{"add", "a:b"}, "long-enough", "只能用"},
        {{"add", "王小明"}, "long-enough", "只能用"},
        {{"add", "-rf"}, "long-enough", "開頭"},
        {{"add", ".hidden"}, "long-enough", "開頭"},
        {{"add", "ok"}, "short", "8 到 1024"},
        {{"add", "ok"}, std::string(1025, 'p'), "8 到 1024"},
        {{"add"}, "", "用法"},
        {{"delete", "ok"}, "", "用法"},
    };
    for (const auto& c : cases) {
        const RunOutput r = serve_user(dir / "users", c.args, c.password);
        EXPECT_EQ(r.code, 2) << c.says;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    }
    EXPECT_FALSE(fs::exists(dir / "users"));
}

TEST(ServeUser, ARunningServerSeesAddedAndRemovedAccounts) {
    const WebServer server;
    EXPECT_TRUE(server.login("newcomer", "newcomer-pass").empty());
    ASSERT_EQ(serve_user(server.users(), {"add", "newcomer"}, "newcomer-pass").code, 0);
    // The refused attempt above delays this name and address for a second.
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    const std::string cookie = server.login("newcomer", "newcomer-pass");
    ASSERT_FALSE(cookie.empty());
    EXPECT_EQ(http(server.port(), "GET", "/", cookie).status, 200);
    ASSERT_EQ(serve_user(server.users(), {"remove", "newcomer"}).code, 0);
    EXPECT_EQ(http(server.port(), "GET", "/", cookie).status, 303);
}

TEST(WebForm, ParsesStrictly) {
    const struct {
        const char* body;
        bool ok;
        const char* a;
    } cases[] = {
        {"a=1&b=2", true, "1"},
        {"a=x+y%21", true, "x y!"},
        {"a=%E7%8E%8B", true, "王"},
        {"&&a=&", true, ""},
        {"a", true, ""},
        {"a=1&a=2", false, ""},
        {"a=%", false, ""},
        {"a=%4", false, ""},
        {"a=%g0", false, ""},
        {"a=%C0%AF", false, ""},
        {"a=%ED%A0%80", false, ""},
        {"a=%00", false, ""},
        {"=1", false, ""},
        {"a=%F4%90%80%80", false, ""},
    };
    for (const auto& c : cases) {
        const auto form = web::parse_form(c.body);
        EXPECT_EQ(form.has_value(), c.ok) << c.body;
        if (form && c.ok) {
            EXPECT_EQ(form->at("a"), c.a) << c.body;
        }
    }
    std::string many;
    for (int i = 0; i < 65; ++i) many += "f" + std::to_string(i) + "=1&";
    EXPECT_FALSE(web::parse_form(many));
    EXPECT_EQ(web::cookie_value("x=1; zol_session=ab; y=2", "zol_session"), "ab");
    EXPECT_EQ(web::cookie_value("my_zol_session=ab", "zol_session"), "");
    EXPECT_EQ(web::log_safe("/a b\x1b[2J\n", 200), "/a\\x20b\\x1b[2J\\x0a");
}

// Session cookies and run ids: every byte of them comes from the random source (a byte left
// at zero would be one a guesser need not guess).
TEST(WebSessions, EveryByteOfATokenVaries) {
    std::vector<std::set<std::string>> seen(32);
    for (int n = 0; n < 64; ++n) {
        const std::string token = web::random_hex(32);
        ASSERT_EQ(token.size(), 64u);
        for (std::size_t b = 0; b < 32; ++b) seen[b].insert(token.substr(2 * b, 2));
    }
    for (std::size_t b = 0; b < 32; ++b) EXPECT_GT(seen[b].size(), 16u) << "byte " << b;
}

}  // namespace
}  // namespace zol::test
