// The server in this process, driven by the poll loop on its own thread,
// against real clients over loopback: request intake, the POST body, the
// connection table and the submission rules.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <fstream>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/posix/scripted_answers.h"
#include "server/local_server.h"
#include "tests/support/temp_folder.h"

namespace {

const std::string replyHead = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\nerror\r\n";
const std::string savedText =
    "====================\r\n保存完了。\r\n終了する場合はブラウザを閉じてください。\r\n"
    "続けて描くこともできます。\r\n \r\n---以下のメッセージは関係なし---";
const std::string notSavedText = "保存ができませんでした\r\n----------";

// A port that was free a moment ago.
uint16_t freePort() {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&where), sizeof where);
    socklen_t size = sizeof where;
    getsockname(fd, reinterpret_cast<sockaddr*>(&where), &size);
    close(fd);
    return ntohs(where.sin_port);
}

// A blocking loopback client.
class Client {
public:
    explicit Client(uint16_t port) {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in where{};
        where.sin_family = AF_INET;
        where.sin_port = htons(port);
        where.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = connect(fd_, reinterpret_cast<sockaddr*>(&where), sizeof where) == 0;
    }
    ~Client() { close(fd_); }
    bool connected() const { return connected_; }

    void send(const std::string& bytes) {
        size_t done = 0;
        while (done < bytes.size()) {
            ssize_t n = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
            if (n <= 0) return;
            done += static_cast<size_t>(n);
        }
    }
    void closeSending() { shutdown(fd_, SHUT_WR); }

    // Everything until the peer closes, or what came within the wait.
    std::string readToEnd(int waitMilliseconds = 5000) {
        std::string all;
        while (readSome(all, waitMilliseconds) > 0) {
        }
        return all;
    }
    // Exactly n bytes, or fewer when the peer closes or the wait ends.
    std::string readExactly(size_t n, int waitMilliseconds = 5000) {
        std::string all;
        while (all.size() < n && readSome(all, waitMilliseconds, n - all.size()) > 0) {
        }
        return all;
    }
    // One GET answer: its head and as many body bytes as its length says.
    std::string readAnswer() {
        std::string all;
        size_t end;
        while ((end = all.find("\r\n\r\n")) == std::string::npos) {
            if (readSome(all, 5000, 1) <= 0) return all;
        }
        size_t at = all.find("Content-Length: ");
        size_t length = at == std::string::npos ? 0 : std::stoul(all.substr(at + 16));
        all += readExactly(end + 4 + length - all.size());
        return all;
    }
    // True when the peer closes or resets the connection within the wait
    // and sends nothing before.
    bool closedByPeer(int waitMilliseconds = 5000) {
        std::string got;
        int result = readSome(got, waitMilliseconds);
        return (result == 0 || result == reset) && got.empty();
    }
    // True when nothing at all arrives within the wait and the link stays up.
    bool silentFor(int waitMilliseconds) {
        pollfd p{fd_, POLLIN, 0};
        return poll(&p, 1, waitMilliseconds) == 0;
    }

private:
    static constexpr int timedOut = -1;
    static constexpr int reset = -2;

    // Appends what arrives; the count, 0 when the peer closed, or one of the
    // two codes above.
    int readSome(std::string& out, int waitMilliseconds, size_t most = 65536) {
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, waitMilliseconds) <= 0) return timedOut;
        char buffer[65536];
        ssize_t n = recv(fd_, buffer, most < sizeof buffer ? most : sizeof buffer, 0);
        if (n > 0) out.append(buffer, static_cast<size_t>(n));
        return n < 0 ? reset : static_cast<int>(n);
    }

    int fd_;
    bool connected_ = false;
};

std::string postHead(size_t length) {
    return "POST /cgi/save HTTP/1.1\r\nHost: localhost\r\nContent-Type: application/octet-stream\r\n"
           "Content-Length: " + std::to_string(length) + "\r\n\r\n";
}

std::string getRequest(const std::string& path) { return "GET " + path + " HTTP/1.1\r\nHost: localhost\r\n\r\n"; }

std::string bodyOf(const std::string& answer) {
    size_t end = answer.find("\r\n\r\n");
    return end == std::string::npos ? std::string() : answer.substr(end + 4);
}

// Calls the test's action with the loop at hand, counting the calls.
class ScriptedHandler : public SubmissionHandler {
public:
    bool saveSubmission(TextBuffer& resultText) override {
        ++calls;
        posted.push_back(readPostFile());
        return action ? action(resultText) : false;
    }
    static std::string readPostFile() {
        std::ifstream in("_post.dat", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    std::function<bool(TextBuffer&)> action;
    std::atomic<int> calls{0};
    std::vector<std::string> posted;
};

std::string* programFolderOfTest = nullptr;
std::atomic<int> folderReturns{0};

bool returnToTestFolder() {
    ++folderReturns;
    return platform::setCurrentFolder(programFolderOfTest->c_str());
}

class LocalServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        programFolder_ = folder_.path().string();
        programFolderOfTest = &programFolder_;
        folderReturns = 0;
        platform::posix::takeShownBoxes();
        folder_.write("a.txt", "hello\n");
        folder_.write("page.html", "<html>page</html>");
        server_.setSubmissionHandler(&handler_, returnToTestFolder);
        port_ = freePort();
        std::promise<bool> started;
        std::future<bool> ready = started.get_future();
        thread_ = std::thread([this, &started] {
            platform::SocketEventLoop loop(server_);
            loop_ = &loop;
            uint16_t port = port_;
            bool ok = server_.startServer(loop.window(), port, false);
            started.set_value(ok && port == port_);
            while (running_ && loop.runOnce(20)) {
            }
            server_.stopServer();
            loop_ = nullptr;
        });
        ASSERT_TRUE(ready.get());
    }
    void TearDown() override { stop(); }

    void stop() {
        running_ = false;
        if (thread_.joinable()) thread_.join();
    }
    // Lets the save flow of a test serve events meanwhile, as the save dialog does.
    void pumpWhile(const std::function<bool()>& condition) {
        for (int i = 0; i < 500 && condition() && loop_->runOnce(10); ++i) {
        }
    }
    std::unique_ptr<Client> client() { return std::make_unique<Client>(port_); }
    std::string get(const std::string& path) {
        Client c(port_);
        c.send(getRequest(path));
        return c.readAnswer();
    }
    void saveWith(const std::string& text) {
        handler_.action = [text](TextBuffer& result) {
            result.assign(text.c_str());
            return true;
        };
    }

    TempFolder folder_;
    std::string programFolder_;
    LocalServer server_;
    ScriptedHandler handler_;
    uint16_t port_ = 0;
    std::thread thread_;
    std::atomic<bool> running_{true};
    platform::SocketEventLoop* loop_ = nullptr;
};

}  // namespace

// ---- GET ------------------------------------------------------------------

TEST_F(LocalServerTest, GetAnswersWithTheFileAndItsHeaderLines) {
    std::string answer = get("/a.txt");
    ASSERT_EQ(answer.rfind("HTTP/1.1 200 OK\r\nMIME-Version: 1.0\r\nDate: ", 0), 0u) << answer;
    EXPECT_NE(answer.find("\r\nContent-Type: text/plain\r\nContent-Length: 6\r\nLast-Modified: "),
              std::string::npos);
    EXPECT_EQ(bodyOf(answer), "hello\n");
}

TEST_F(LocalServerTest, MissingFilesGetTheNotFoundAnswer) {
    const std::string notFound = "HTTP/1.1 404 Not Found\r\nContent-Type: text/html\r\nContent-Length: 9\r\n\r\nNot Found";
    EXPECT_EQ(get("/missing.txt"), notFound);
    EXPECT_EQ(get("/"), notFound);
    EXPECT_EQ(get("/a.txt?x=1"), notFound);
    EXPECT_EQ(get("/../a.txt"), notFound);
}

TEST_F(LocalServerTest, PipelinedRequestsAreAnsweredInOrder) {
    Client c(port_);
    c.send(getRequest("/a.txt") + getRequest("/page.html") + getRequest("/missing"));
    EXPECT_EQ(bodyOf(c.readAnswer()), "hello\n");
    EXPECT_EQ(bodyOf(c.readAnswer()), "<html>page</html>");
    EXPECT_EQ(bodyOf(c.readAnswer()), "Not Found");
}

TEST_F(LocalServerTest, AHeaderSplitOverReadsIsCollected) {
    Client c(port_);
    c.send("GET /a.t");
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    c.send("xt HTTP/1.1\r\nHost: local");
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    c.send("host\r\n\r\n");
    EXPECT_EQ(bodyOf(c.readAnswer()), "hello\n");
}

TEST_F(LocalServerTest, OtherMethodsAreNotAnsweredAndTheConnectionStaysOpen) {
    Client c(port_);
    c.send("HEAD /a.txt HTTP/1.1\r\n\r\nOPTIONS * HTTP/1.1\r\n\r\n");
    EXPECT_TRUE(c.silentFor(300));
    c.send(getRequest("/a.txt"));
    EXPECT_EQ(bodyOf(c.readAnswer()), "hello\n");
}

TEST_F(LocalServerTest, AHeaderThatDoesNotFitIsRefused) {
    Client c(port_);
    c.send("GET /a.txt HTTP/1.1\r\nX-Long: " + std::string(5000, 'x'));
    EXPECT_TRUE(c.closedByPeer());
    EXPECT_EQ(bodyOf(get("/a.txt")), "hello\n");
}

// ---- POST -----------------------------------------------------------------

TEST_F(LocalServerTest, APostArrivingWholeIsSavedAndAnsweredOnItsConnection) {
    saveWith("a.png (1.00KB)\r\n");
    Client c(port_);
    std::string body = std::string("picture bytes\0\x01\xFF", 16) + std::string(3000, 'p');
    c.send(postHead(body.size()) + body);
    EXPECT_EQ(c.readToEnd(), replyHead + "a.png (1.00KB)\r\n" + savedText);
    EXPECT_EQ(handler_.calls, 1);
    ASSERT_EQ(handler_.posted.size(), 1u);
    EXPECT_EQ(handler_.posted[0], body);
}

TEST_F(LocalServerTest, FailedOrSilentSavesGetTheFailureReply) {
    const std::function<bool(TextBuffer&)> actions[] = {
        [](TextBuffer&) { return false; },
        [](TextBuffer& result) {
            result.assign("a.png\r\n");
            return false;
        },
        [](TextBuffer& result) {
            result.clear();
            return true;
        },
    };
    for (const auto& action : actions) {
        handler_.action = action;
        Client c(port_);
        c.send(postHead(4) + "abcd");
        EXPECT_EQ(c.readToEnd(), replyHead + notSavedText);
    }
    EXPECT_EQ(handler_.calls, 3);
}

TEST_F(LocalServerTest, TheHtml5PainterIsAnsweredInUtf8WithBareLineEnds) {
    const std::string head = "HTTP/1.1 200 OK\r\nContent-Type: text/plain; charset=UTF-8\r\n\r\n";
    const std::string painter = "X-Requested-With: PaintBBS\r\n\r\n";
    std::string withPainter = postHead(4);
    withPainter.replace(withPainter.size() - 2, 2, painter);
    saveWith("ソ絵.png (1.00KB)\r\n");
    Client saved(port_);
    saved.send(withPainter + "abcd");
    EXPECT_EQ(saved.readToEnd(), head + u8"error\nソ絵.png (1.00KB)\n====================\n保存完了。\n"
                                        u8"終了する場合はブラウザを閉じてください。\n続けて描くこともできます。\n \n"
                                        u8"---以下のメッセージは関係なし---");
    handler_.action = [](TextBuffer&) { return false; };
    Client failed(port_);
    failed.send(withPainter + "abcd");
    EXPECT_EQ(failed.readToEnd(), head + u8"error\n保存ができませんでした\n----------");
    std::string otherValue = withPainter;
    otherValue.replace(otherValue.find("PaintBBS"), 8, "paintbbs");
    Client other(port_);
    other.send(otherValue + "abcd");
    EXPECT_EQ(other.readToEnd(), replyHead + notSavedText);
}

TEST_F(LocalServerTest, WithoutAHandlerEveryPostGetsTheFailureReply) {
    server_.setSubmissionHandler(nullptr, nullptr);
    Client c(port_);
    c.send(postHead(4) + "abcd");
    EXPECT_EQ(c.readToEnd(), replyHead + notSavedText);
    EXPECT_EQ(ScriptedHandler::readPostFile(), "abcd");
}

TEST_F(LocalServerTest, ABodyOverManyReadsIsAppendedPieceByPiece) {
    saveWith("x\r\n");
    std::string body;
    for (int i = 0; i < 20000; ++i) body += static_cast<char>(i * 7 + i / 256);
    Client c(port_);
    c.send(postHead(body.size()));
    for (size_t at = 0; at < body.size(); at += 1500) {
        c.send(body.substr(at, 1500));
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(c.readToEnd(), replyHead + "x\r\n" + savedText);
    ASSERT_EQ(handler_.posted.size(), 1u);
    EXPECT_EQ(handler_.posted[0], body);
}

TEST_F(LocalServerTest, APostHeaderSplitOverTwoWritesIsCollected) {
    saveWith("x\r\n");
    std::string whole = postHead(5) + "12345";
    Client c(port_);
    c.send(whole.substr(0, 30));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    c.send(whole.substr(30));
    EXPECT_EQ(c.readToEnd(), replyHead + "x\r\n" + savedText);
    EXPECT_EQ(handler_.posted.at(0), "12345");
}

TEST_F(LocalServerTest, AnEmptyBodyIsCompleteAtOnceAndAnswered) {
    folder_.write("_post.dat", "older submission");
    Client c(port_);
    c.send(postHead(0));
    EXPECT_EQ(c.readToEnd(), replyHead + notSavedText);
    EXPECT_EQ(handler_.calls, 1);
    EXPECT_EQ(handler_.posted.at(0), "");
}

TEST_F(LocalServerTest, BytesPastTheAnnouncedLengthAreNotTaken) {
    saveWith("x\r\n");
    Client c(port_);
    c.send(postHead(10) + "0123456789" + "EXTRA BYTES" + std::string(20000, 'e'));
    EXPECT_EQ(c.readToEnd(), replyHead + "x\r\n" + savedText);
    EXPECT_EQ(handler_.posted.at(0), "0123456789");
}

TEST_F(LocalServerTest, APostWithoutLengthIsRefusedWithTheMessage) {
    folder_.write("_post.dat", "older submission");
    Client c(port_);
    c.send("POST / HTTP/1.1\r\nHost: localhost\r\n\r\nbody");
    EXPECT_TRUE(c.closedByPeer());
    stop();
    auto boxes = platform::posix::takeShownBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "POSTのサイズが取得できません");
    EXPECT_EQ(boxes[0].caption, "");
    EXPECT_EQ(handler_.calls, 0);
    EXPECT_EQ(folder_.read("_post.dat"), "older submission");
}

TEST_F(LocalServerTest, BadLengthsAreRefusedWithoutTouchingThePostFile) {
    folder_.write("_post.dat", "older submission");
    const char* lengths[] = {"abc", "-5", "+5", "268435457", "4294967301", "1e3", "5\r\nContent-Length: 6"};
    for (const char* length : lengths) {
        Client c(port_);
        c.send(std::string("POST / HTTP/1.1\r\nContent-Length: ") + length + "\r\n\r\n12345");
        EXPECT_TRUE(c.closedByPeer()) << length;
    }
    EXPECT_EQ(handler_.calls, 0);
    EXPECT_EQ(folder_.read("_post.dat"), "older submission");
    EXPECT_EQ(bodyOf(get("/a.txt")), "hello\n");
}

TEST_F(LocalServerTest, AClientLeavingDuringTheBodyEndsItsSubmissionOnly) {
    saveWith("x\r\n");
    {
        Client c(port_);
        c.send(postHead(1000) + "only ten b");
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    // The count of the lost body ended with its connection: these bytes are
    // a request of their own.
    EXPECT_EQ(bodyOf(get("/a.txt")), "hello\n");
    Client next(port_);
    next.send(postHead(3) + "new");
    EXPECT_EQ(next.readToEnd(), replyHead + "x\r\n" + savedText);
    EXPECT_EQ(handler_.calls, 1);
    EXPECT_EQ(handler_.posted.at(0), "new");
}

TEST_F(LocalServerTest, OtherConnectionsAreServedWhileABodyArrives) {
    saveWith("x\r\n");
    Client poster(port_);
    poster.send(postHead(10) + "01234");
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(bodyOf(get("/page.html")), "<html>page</html>");
    poster.send("56789");
    EXPECT_EQ(poster.readToEnd(), replyHead + "x\r\n" + savedText);
    EXPECT_EQ(handler_.posted.at(0), "0123456789");
}

TEST_F(LocalServerTest, ASecondPostWhileOneArrivesGetsTheFailureReply) {
    saveWith("x\r\n");
    Client first(port_);
    first.send(postHead(10) + "first");
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    Client second(port_);
    second.send(postHead(6) + "sec");
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    second.send("ond");
    EXPECT_EQ(second.readToEnd(), replyHead + notSavedText);
    first.send("-body");
    EXPECT_EQ(first.readToEnd(), replyHead + "x\r\n" + savedText);
    EXPECT_EQ(handler_.calls, 1);
    EXPECT_EQ(handler_.posted.at(0), "first-body");
}

// The same server with a stall limit short enough to wait for.
class StallingServerTest : public LocalServerTest {
protected:
    StallingServerTest() { server_.setStallLimit(500); }
};

TEST_F(StallingServerTest, ABodyThatStoppedComingGivesWayToTheNextPost) {
    saveWith("x\r\n");
    Client first(port_);
    first.send(postHead(10) + "first");
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    Client second(port_);
    second.send(postHead(6) + "second");
    EXPECT_EQ(second.readToEnd(), replyHead + "x\r\n" + savedText);
    EXPECT_EQ(first.readToEnd(), replyHead + notSavedText);
    EXPECT_EQ(handler_.calls, 1);
    EXPECT_EQ(handler_.posted.at(0), "second");
}

TEST_F(StallingServerTest, ASlowBodyThatKeepsComingKeepsItsPlace) {
    saveWith("x\r\n");
    Client first(port_);
    first.send(postHead(12) + "ab");
    for (const char* piece : {"cd", "ef", "gh", "ij"}) {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        first.send(piece);
    }
    // Longer than the limit since the body began, but not since its last bytes.
    Client second(port_);
    second.send(postHead(3) + "new");
    EXPECT_EQ(second.readToEnd(), replyHead + notSavedText);
    first.send("kl");
    EXPECT_EQ(first.readToEnd(), replyHead + "x\r\n" + savedText);
    EXPECT_EQ(handler_.posted.at(0), "abcdefghijkl");
}

TEST_F(LocalServerTest, DuringTheSaveGetsAreServedAndAnotherPostIsRefused) {
    std::atomic<bool> others{false};
    std::string during;
    std::string refused;
    std::thread clients;
    handler_.action = [&](TextBuffer& result) {
        clients = std::thread([&] {
            during = get("/page.html");
            Client c(port_);
            c.send(postHead(3) + "two");
            refused = c.readToEnd();
            others = true;
        });
        pumpWhile([&] { return !others; });
        result.assign("x\r\n");
        return true;
    };
    Client c(port_);
    c.send(postHead(3) + "one");
    EXPECT_EQ(c.readToEnd(), replyHead + "x\r\n" + savedText);
    clients.join();
    EXPECT_EQ(bodyOf(during), "<html>page</html>");
    EXPECT_EQ(refused, replyHead + notSavedText);
    EXPECT_EQ(handler_.calls, 1);
}

TEST_F(LocalServerTest, TheProgramFolderIsCurrentAgainAfterTheSave) {
    std::filesystem::create_directory(folder_.path() / "saved");
    handler_.action = [](TextBuffer& result) {
        platform::setCurrentFolder("saved");
        result.assign("x\r\n");
        return true;
    };
    Client c(port_);
    c.send(postHead(1) + "z");
    EXPECT_EQ(c.readToEnd(), replyHead + "x\r\n" + savedText);
    EXPECT_EQ(folderReturns, 1);
    EXPECT_EQ(bodyOf(get("/a.txt")), "hello\n");
}

// ---- The connection table ---------------------------------------------------

TEST_F(LocalServerTest, AFullTableClosesTheIdleConnectionUsedLeastRecently) {
    std::vector<std::unique_ptr<Client>> open;
    for (int i = 0; i < LocalServer::connectionLimit; ++i) {
        open.push_back(client());
        open.back()->send(getRequest("/a.txt"));
        ASSERT_EQ(bodyOf(open.back()->readAnswer()), "hello\n");
    }
    // The first is used again, so the second is now the one used least recently.
    open[0]->send(getRequest("/a.txt"));
    ASSERT_EQ(bodyOf(open[0]->readAnswer()), "hello\n");
    Client newcomer(port_);
    newcomer.send(getRequest("/page.html"));
    EXPECT_EQ(bodyOf(newcomer.readAnswer()), "<html>page</html>");
    EXPECT_TRUE(open[1]->closedByPeer());
    for (int i = 0; i < LocalServer::connectionLimit; ++i) {
        if (i == 1) continue;
        open[i]->send(getRequest("/a.txt"));
        EXPECT_EQ(bodyOf(open[i]->readAnswer()), "hello\n") << i;
    }
}

TEST_F(LocalServerTest, AnAnsweredConnectionGoesBeforeANewOneThatHasSentNothing) {
    Client quiet(port_);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::vector<std::unique_ptr<Client>> open;
    for (int i = 1; i < LocalServer::connectionLimit; ++i) {
        open.push_back(client());
        open.back()->send(getRequest("/a.txt"));
        ASSERT_EQ(bodyOf(open.back()->readAnswer()), "hello\n");
    }
    Client newcomer(port_);
    newcomer.send(getRequest("/page.html"));
    EXPECT_EQ(bodyOf(newcomer.readAnswer()), "<html>page</html>");
    EXPECT_TRUE(open[0]->closedByPeer());
    quiet.send(getRequest("/a.txt"));
    EXPECT_EQ(bodyOf(quiet.readAnswer()), "hello\n");
}

TEST_F(LocalServerTest, AConnectionReceivingAPostIsNeverClosedForANewOne) {
    saveWith("x\r\n");
    Client poster(port_);
    poster.send(postHead(8) + "abcd");
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::vector<std::unique_ptr<Client>> open;
    for (int i = 0; i < 2 * LocalServer::connectionLimit; ++i) {
        open.push_back(client());
        open.back()->send(getRequest("/a.txt"));
        ASSERT_EQ(bodyOf(open.back()->readAnswer()), "hello\n");
    }
    poster.send("efgh");
    EXPECT_EQ(poster.readToEnd(), replyHead + "x\r\n" + savedText);
    EXPECT_EQ(handler_.posted.at(0), "abcdefgh");
}

TEST_F(LocalServerTest, WhenEveryConnectionIsBusyANewOneIsRefused) {
    std::vector<std::unique_ptr<Client>> posters;
    for (int i = 0; i < LocalServer::connectionLimit; ++i) {
        posters.push_back(client());
        posters.back()->send(postHead(100) + "part");
        if (i == 0) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    Client refused(port_);
    EXPECT_TRUE(refused.closedByPeer());
    // The first keeps its submission; the others are answered with the failure.
    saveWith("x\r\n");
    for (int i = 0; i < LocalServer::connectionLimit; ++i) posters[i]->send(std::string(96, 'b'));
    EXPECT_EQ(posters[0]->readToEnd(), replyHead + "x\r\n" + savedText);
    for (int i = 1; i < LocalServer::connectionLimit; ++i) EXPECT_EQ(posters[i]->readToEnd(), replyHead + notSavedText);
    EXPECT_EQ(handler_.calls, 1);
}
