// The server in this process, its poll loop on a thread of its own, with
// loopback clients: what only a test inside can see or set. Requests, posts
// and the gate over sockets are the program's end-to-end tests' part.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "server/local_server.h"
#include "tests/support/temp_folder.h"

namespace {

const std::string replyHead = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\nerror\r\n";
const std::string savedText =
    "====================\r\n保存完了。\r\n終了する場合はブラウザを閉じてください。\r\n"
    "続けて描くこともできます。\r\n \r\n---以下のメッセージは関係なし---";
const std::string saved = replyHead + "x\r\n" + savedText;  // the default handler's answer
const std::string notSaved = replyHead + "保存ができませんでした\r\n----------";

sockaddr_in loopback(uint16_t port) {
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_port = htons(port);
    where.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return where;
}

// A port that was free a moment ago.
uint16_t freePort() {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in where = loopback(0);
    bind(fd, reinterpret_cast<sockaddr*>(&where), sizeof where);
    socklen_t size = sizeof where;
    getsockname(fd, reinterpret_cast<sockaddr*>(&where), &size);
    close(fd);
    return ntohs(where.sin_port);
}

void sleepFor(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

// A blocking loopback client; every read waits at most five seconds.
class Client {
public:
    explicit Client(uint16_t port) : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in where = loopback(port);
        connect(fd_, reinterpret_cast<sockaddr*>(&where), sizeof where);
    }
    ~Client() { close(fd_); }

    void send(const std::string& bytes) { ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL); }
    // Everything until the peer closes or resets; "(open)" follows what came
    // when it is still open at the end of the wait.
    std::string readToEnd() {
        std::string all;
        int result;
        while ((result = readSome(all, 65536)) > 0) {
        }
        return result == -1 ? all + "(open)" : all;
    }
    // The body of one GET answer, as many bytes as its Content-Length says.
    std::string readAnswer() {
        std::string all;
        size_t end;
        while ((end = all.find("\r\n\r\n")) == std::string::npos) {
            if (readSome(all, 1) <= 0) return all;
        }
        size_t at = all.find("Content-Length: ");
        size_t size = end + 4 + (at == std::string::npos ? 0 : std::stoul(all.substr(at + 16)));
        while (all.size() < size && readSome(all, size - all.size()) > 0) {
        }
        return all.substr(end + 4);
    }

private:
    // Appends what arrives: the count, 0 when the peer closed, -1 when the
    // wait ended, -2 on a reset.
    int readSome(std::string& out, size_t most) {
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, 5000) <= 0) return -1;
        char buffer[65536];
        ssize_t n = recv(fd_, buffer, std::min(most, sizeof buffer), 0);
        if (n > 0) out.append(buffer, static_cast<size_t>(n));
        return n < 0 ? -2 : static_cast<int>(n);
    }

    int fd_;
};

std::string postHead(size_t length, const std::string& fields = "") {
    return "POST /cgi/save HTTP/1.1\r\nHost: localhost\r\nContent-Length: " + std::to_string(length) + "\r\n" +
           fields + "\r\n";
}

std::string getRequest(const std::string& path) { return "GET " + path + " HTTP/1.1\r\nHost: localhost\r\n\r\n"; }

// The server, its loop and a folder with a.txt; the test is the submission
// handler, answering with its action (a saved file by default) and keeping
// each body it was given.
class LocalServerTest : public ::testing::Test, public SubmissionHandler {
protected:
    void SetUp() override {
        folder_.write("a.txt", "hello\n");
        server_.setSubmissionHandler(this, [] { return true; });
        uint16_t port = port_ = freePort();
        ASSERT_TRUE(server_.startServer(loop_.window(), port, false) && port == port_);
        thread_ = std::thread([this] {
            while (running_ && loop_.runOnce(20)) {
            }
        });
    }
    void TearDown() override {
        running_ = false;
        if (thread_.joinable()) thread_.join();
        server_.stopServer();
    }
    bool saveSubmission(TextBuffer& resultText) override {
        posted_.push_back(folder_.read("_post.dat"));
        return action_(resultText);
    }

    std::string get(const std::string& path) {
        Client c(port_);
        c.send(getRequest(path));
        return c.readAnswer();
    }
    std::string post(const std::string& head, const std::string& body) {
        Client c(port_);
        c.send(head + body);
        return c.readToEnd();
    }

    TempFolder folder_;
    LocalServer server_;
    std::function<bool(TextBuffer&)> action_ = [](TextBuffer& result) {
        result.assign("x\r\n");
        return true;
    };
    std::vector<std::string> posted_;
    uint16_t port_ = 0;
    std::thread thread_;
    platform::SocketEventLoop loop_{server_};
    std::atomic<bool> running_{true};
};

}  // namespace

TEST_F(LocalServerTest, AHeaderThatDoesNotFitIsRefused) {
    Client c(port_);
    c.send("GET /a.txt HTTP/1.1\r\nX-Long: " + std::string(5000, 'x'));
    EXPECT_EQ(c.readToEnd(), "");
    EXPECT_EQ(get("/a.txt"), "hello\n");
}

// The painter's whole answer, saved or not, is checked end to end in the
// painter; here its head, and that the field's value is compared exactly.
TEST_F(LocalServerTest, TheHtml5PainterIsAnsweredInUtf8WithBareLineEnds) {
    action_ = [](TextBuffer&) { return false; };
    EXPECT_EQ(post(postHead(4, "X-Requested-With: PaintBBS\r\n"), "abcd"),
              "HTTP/1.1 200 OK\r\nContent-Type: text/plain; charset=UTF-8\r\n\r\nerror\n" +
                  std::string(u8"保存ができませんでした\n----------"));
    EXPECT_EQ(post(postHead(4, "X-Requested-With: paintbbs\r\n"), "abcd"), notSaved);
}

TEST_F(LocalServerTest, DuringTheSaveGetsAreServedAndAnotherPostIsRefused) {
    Client getter(port_), poster(port_);
    std::string during, refused;
    action_ = [&](TextBuffer& result) {
        getter.send(getRequest("/a.txt"));
        poster.send(postHead(3) + "two");
        for (int i = 0; i < 20; ++i) loop_.runOnce(10);  // as the save dialog does
        during = getter.readAnswer();
        refused = poster.readToEnd();
        result.assign("x\r\n");
        return true;
    };
    EXPECT_EQ(post(postHead(3), "one"), saved);
    EXPECT_EQ(during, "hello\n");
    EXPECT_EQ(refused, notSaved);
    EXPECT_EQ(posted_, std::vector<std::string>{"one"});
}

// The same server with a stall limit short enough to wait for.
class StallingServerTest : public LocalServerTest {
protected:
    StallingServerTest() { server_.setStallLimit(500); }
};

TEST_F(StallingServerTest, ABodyKeepsItsPlaceWhileItComesAndGivesWayWhenItStops) {
    Client first(port_);
    first.send(postHead(12) + "ab");
    for (const char* piece : {"cd", "ef", "gh", "ij"}) {
        sleepFor(150);
        first.send(piece);
    }
    // Longer than the limit since the body began, but not since its last bytes.
    EXPECT_EQ(post(postHead(3), "new"), notSaved);
    sleepFor(1000);
    EXPECT_EQ(post(postHead(6), "second"), saved);
    EXPECT_EQ(first.readToEnd(), notSaved);
    EXPECT_EQ(posted_, std::vector<std::string>{"second"});
}

TEST_F(LocalServerTest, AFullTableClosesTheIdleConnectionUsedLeastRecently) {
    // Neither one receiving a body nor a new one that has sent nothing goes first.
    Client poster(port_);
    poster.send(postHead(8) + "abcd");
    Client quiet(port_);
    sleepFor(50);
    std::vector<std::unique_ptr<Client>> answered;
    for (int i = 2; i < LocalServer::connectionLimit; ++i) {
        answered.push_back(std::make_unique<Client>(port_));
        answered.back()->send(getRequest("/a.txt"));
        ASSERT_EQ(answered.back()->readAnswer(), "hello\n");
    }
    // The first is used again, so the second is now the one used least recently.
    answered[0]->send(getRequest("/a.txt"));
    ASSERT_EQ(answered[0]->readAnswer(), "hello\n");
    EXPECT_EQ(get("/a.txt"), "hello\n");
    EXPECT_EQ(answered[1]->readToEnd(), "");
    for (Client* c : {&quiet, answered[0].get(), answered.back().get()}) {
        c->send(getRequest("/a.txt"));
        EXPECT_EQ(c->readAnswer(), "hello\n");
    }
    poster.send("efgh");
    EXPECT_EQ(poster.readToEnd(), saved);
    EXPECT_EQ(posted_, std::vector<std::string>{"abcdefgh"});
}

TEST_F(LocalServerTest, WhenEveryConnectionIsBusyANewOneIsRefused) {
    std::vector<std::unique_ptr<Client>> posters;
    for (int i = 0; i < LocalServer::connectionLimit; ++i) {
        posters.push_back(std::make_unique<Client>(port_));
        posters.back()->send(postHead(100) + "part");
        sleepFor(i == 0 ? 50 : 0);
    }
    sleepFor(100);
    EXPECT_EQ(Client(port_).readToEnd(), "");
}
