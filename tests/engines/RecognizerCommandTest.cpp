// An operator's recogniser: its command line, its JSON lines, and small
// shell scripts standing in for it (words, garbage, a hang, a failure).

#include "CommandRunner.h"
#include "ExternalRecognizer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace cw::engines;

namespace {

class ScriptFolder {
public:
    ScriptFolder() {
        char name[] = "/tmp/cw-recognizer-test-XXXXXX";
        path_ = ::mkdtemp(name) ? name : "";
    }
    ~ScriptFolder() {
        if (!path_.empty())
            std::system(("rm -rf '" + path_ + "'").c_str());
    }
    const std::string &path() const { return path_; }
    std::string file(const std::string &name) const { return path_ + "/" + name; }

    // An executable sh script with the given body.
    std::string script(const std::string &name, const std::string &body) const {
        const std::string p = file(name);
        std::ofstream(p) << "#!/bin/sh\n" << body;
        ::chmod(p.c_str(), 0755);
        return p;
    }
    std::string read(const std::string &name) const {
        std::ifstream in(file(name));
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

private:
    std::string path_;
};

RecognizerCommand commandFor(const ScriptFolder &folder, const std::string &script) {
    RecognizerCommand command;
    command.arguments = {script};
    command.tempDir = folder.path();
    command.floorMs = 10000;
    command.perAudioMs = 0;
    return command;
}

struct Silence {
    std::vector<int16_t> samples = std::vector<int16_t>(3 * 16000, 0);
    Audio audio() const { return {samples.data(), samples.size(), 16000}; }
};

// Alive and not a zombie (an init that never reaps leaves those about).
bool runningProcess(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat;
    std::getline(in, stat);
    const size_t paren = stat.rfind(") ");
    return paren != std::string::npos && paren + 2 < stat.size() && stat[paren + 2] != 'Z';
}

std::string joinedNotes(const EngineResult &r) {
    std::string all;
    for (const std::string &n : r.notes)
        all += n + "\n";
    return all;
}

}  // namespace

TEST(RecognizerCommand, SplitsLikeAShellWithoutOne) {
    const std::pair<const char *, std::vector<std::string>> good[] = {
        {"whisper-words", {"whisper-words"}},
        {"  run  --model /m/base.bin  ", {"run", "--model", "/m/base.bin"}},
        {"run \"/my models/base.bin\" x", {"run", "/my models/base.bin", "x"}},
        {"run --name=\"a b\"", {"run", "--name=a b"}},
        {"run \"say \\\"hi\\\" \\\\ now\"", {"run", "say \"hi\" \\ now"}},
        {"run \"\" $HOME;ls", {"run", "", "$HOME;ls"}},  // no expansion, no second command
        {"C:\\tools\\run", {"C:\\tools\\run"}},
    };
    for (const auto &[line, expected] : good) {
        std::vector<std::string> arguments;
        std::string error;
        EXPECT_TRUE(splitCommandLine(line, &arguments, &error)) << line << ": " << error;
        EXPECT_EQ(arguments, expected) << line;
    }
    for (const char *bad : {"", "   ", "run \"open", "\"\" x"}) {
        std::vector<std::string> arguments;
        std::string error;
        EXPECT_FALSE(splitCommandLine(bad, &arguments, &error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
    EXPECT_FALSE(findProgram("sh").empty());
    EXPECT_TRUE(findProgram("/nonexistent/recognizer").empty());
    EXPECT_TRUE(findProgram("/tmp").empty());  // a folder runs nothing
}

TEST(RecognizerCommand, ReadsWordLinesAndRefusesAnythingElse) {
    std::vector<TimedWord> words;
    std::string error;
    ASSERT_TRUE(parseWordLine(R"({"word":"hello","start":1.23,"end":1.5,"confidence":0.8})", 3000, words, &error));
    ASSERT_TRUE(parseWordLine("  \r", 3000, words, &error));  // blank: no word
    ASSERT_TRUE(parseWordLine(R"({"end":3.4,"start":2.9,"word":"end","speaker":1})", 3000, words, &error));
    ASSERT_TRUE(parseWordLine(R"({"word":"sure","start":0,"end":0.1,"confidence":7})", 3000, words, &error));
    ASSERT_TRUE(parseWordLine(R"({"word":"two\nlines","start":0,"end":0.1,"confidence":null})", 3000, words, &error));
    ASSERT_EQ(words.size(), 4u);
    EXPECT_EQ(words[0].text, "hello");
    EXPECT_EQ(words[0].startMs, 1230);
    EXPECT_EQ(words[0].endMs, 1500);
    EXPECT_DOUBLE_EQ(words[0].confidence, 0.8);
    EXPECT_EQ(words[1].endMs, 3000);            // pulled back into the audio
    EXPECT_DOUBLE_EQ(words[1].confidence, 0);   // none given
    EXPECT_DOUBLE_EQ(words[2].confidence, 1);   // clamped
    EXPECT_EQ(words[3].text, "two lines");

    const char *bad[] = {
        "Loading model ggml-base.bin",
        "[1, 2]",
        R"({"word":"hi","start":1})",
        R"({"word":3,"start":1,"end":2})",
        R"({"word":"hi","start":"1","end":2})",
        R"({"word":"hi","start":2,"end":1})",
        R"({"word":"hi","start":-1,"end":1})",
        R"({"word":"hi","start":1230,"end":1500})",  // milliseconds, not seconds
        R"({"word":"hi","start":1,"end":2,"confidence":"high"})",
        R"({"word":"hi","start":1,"end":2)",
    };
    for (const char *line : bad) {
        words.clear();
        error.clear();
        EXPECT_FALSE(parseWordLine(line, 3000, words, &error)) << line;
        EXPECT_FALSE(error.empty()) << line;
        EXPECT_TRUE(words.empty()) << line;
    }
    EXPECT_EQ(logLine("first\r\nsecond\n\x01", false), "first | second | ?");
    EXPECT_EQ(logLine("tail\n", true), "...tail");
}

TEST(RecognizerCommand, WordsBecomeLinesWithTheirTimes) {
    ScriptFolder folder;
    ASSERT_FALSE(folder.path().empty());
    // Records what it was given, then speaks two sentences in one language
    // and one in another, punctuation as words of their own.
    const std::string script = folder.script("words.sh", R"(
dir=$(dirname "$0")
printf '%s\n' "$@" > "$dir/args"
cp "$3" "$dir/got.wav"
cat <<'EOF'
{"word":"Hello","start":0.10,"end":0.40,"confidence":0.9}
{"word":",","start":0.40,"end":0.40}

{"word":"world","start":0.45,"end":0.90,"confidence":0.7}
{"word":".","start":0.90,"end":0.90}
{"word":"今天","start":2.00,"end":2.30,"confidence":1}
{"word":"很好","start":2.30,"end":2.60,"confidence":1}
EOF
printf '{"word":"。","start":2.6,"end":2.6,"confidence":1}'
echo "model loaded in 0.1 s" >&2
)");
    RecognizerCommand command = commandFor(folder, script);
    command.arguments.push_back("--model");
    command.arguments.push_back("/models/a b.bin");
    command.language = "zh";
    ExternalRecognizer recognizer(command);
    Silence silence;
    std::vector<int> progress;
    const EngineResult r =
        recognizer.recognize(silence.audio(), [&](int done, int total) { progress.push_back(done * 100 / total); }, {});
    ASSERT_EQ(r.status, EngineStatus::Ok) << r.message;
    ASSERT_EQ(r.lines.size(), 2u);
    EXPECT_EQ(r.lines[0].text, "Hello, world.");
    EXPECT_EQ(r.lines[0].startMs, 100);
    EXPECT_EQ(r.lines[0].endMs, 930);  // held for 0.83 s
    EXPECT_EQ(r.lines[1].text, "今天很好。");
    EXPECT_EQ(r.lines[1].startMs, 2000);
    EXPECT_EQ(r.lines[1].endMs, 2830);
    EXPECT_NEAR(r.lines[0].confidence, 0.4, 1e-9);  // marks without a confidence count 0
    EXPECT_FALSE(progress.empty());
    EXPECT_NE(joinedNotes(r).find("recogniser stderr: model loaded in 0.1 s"), std::string::npos) << joinedNotes(r);

    // Its command line: its own arguments, then the WAV and the hint.
    std::istringstream args(folder.read("args"));
    std::vector<std::string> got;
    for (std::string a; std::getline(args, a);)
        got.push_back(a);
    ASSERT_EQ(got.size(), 5u);
    EXPECT_EQ(got[0], "--model");
    EXPECT_EQ(got[1], "/models/a b.bin");
    EXPECT_EQ(got[3], "--language");
    EXPECT_EQ(got[4], "zh");
    // A whole 16 kHz mono WAV, gone once the job is done.
    const std::string wav = folder.read("got.wav");
    ASSERT_EQ(wav.size(), 44 + silence.samples.size() * 2);
    EXPECT_EQ(wav.substr(0, 4), "RIFF");
    EXPECT_EQ(wav.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(static_cast<unsigned char>(wav[24]) | static_cast<unsigned char>(wav[25]) << 8, 16000);
    struct stat st {};
    EXPECT_NE(::stat(got[2].c_str(), &st), 0) << got[2];
}

TEST(RecognizerCommand, FailuresFailTheJob) {
    ScriptFolder folder;
    ASSERT_FALSE(folder.path().empty());
    Silence silence;
    struct Case {
        const char *name;
        std::string body;
        EngineStatus status;
        const char *message;
        const char *note;
    } cases[] = {
        {"garbage", "echo 'Loading model...'\necho '{\"word\":\"hi\",\"start\":0,\"end\":1}'\n", EngineStatus::Error,
         "output line 1", nullptr},
        {"a failure", "echo '{\"word\":\"hi\",\"start\":0,\"end\":1}'\necho 'no model at /m' >&2\nexit 3\n",
         EngineStatus::Error, "exited with status 3", "no model at /m"},
        {"a crash", "kill -SEGV $$\n", EngineStatus::Error, "signal 11", nullptr},
        {"no words", "exit 0\n", EngineStatus::Error, "heard no words", nullptr},
        {"blank words", "echo '{\"word\":\" \",\"start\":0,\"end\":1}'\n", EngineStatus::Error, "heard no words",
         nullptr},
    };
    for (const Case &c : cases) {
        ExternalRecognizer recognizer(commandFor(folder, folder.script("case.sh", c.body)));
        const EngineResult r = recognizer.recognize(silence.audio(), {}, {});
        EXPECT_EQ(r.status, c.status) << c.name;
        EXPECT_NE(r.message.find(c.message), std::string::npos) << c.name << ": " << r.message;
        EXPECT_TRUE(r.lines.empty()) << c.name;
        if (c.note) {
            EXPECT_NE(joinedNotes(r).find(c.note), std::string::npos) << c.name << ": " << joinedNotes(r);
        }
    }
    RecognizerCommand missing = commandFor(folder, folder.file("not-there"));
    const EngineResult r = ExternalRecognizer(missing).recognize(silence.audio(), {}, {});
    EXPECT_EQ(r.status, EngineStatus::Error);
    EXPECT_NE(r.message.find("cannot run"), std::string::npos) << r.message;

    // Standard error is kept to its tail, on one line.
    ExternalRecognizer chatty(commandFor(folder, folder.script(
        "chatty.sh", "i=0\nwhile [ $i -lt 3000 ]; do echo \"progress $i\" >&2; i=$((i+1)); done\nexit 1\n")));
    const std::string notes = joinedNotes(chatty.recognize(silence.audio(), {}, {}));
    EXPECT_LT(notes.size(), 4000u);
    EXPECT_NE(notes.find("progress 2999"), std::string::npos);
    EXPECT_EQ(notes.find('\n'), notes.size() - 1);
}

TEST(RecognizerCommand, AHangIsKilledWithItsChildren) {
    ScriptFolder folder;
    ASSERT_FALSE(folder.path().empty());
    Silence silence;
    // Prints a word, then waits on a child of its own that never ends.
    const std::string script = folder.script("hang.sh", R"(
echo '{"word":"hi","start":0,"end":1}'
sleep 60 &
echo $! > "$(dirname "$0")/child"
wait
)");
    RecognizerCommand command = commandFor(folder, script);
    command.floorMs = 400;
    command.perAudioMs = 0.1;  // 300 ms for the 3 s of audio: 0.7 s in all
    EXPECT_EQ(recognizerTimeLimitMs(command, 3000), 700);
    ExternalRecognizer recognizer(command);
    const auto start = std::chrono::steady_clock::now();
    const EngineResult r = recognizer.recognize(silence.audio(), {}, {});
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(r.status, EngineStatus::TimedOut) << r.message;
    EXPECT_LT(took, std::chrono::seconds(10));
    const pid_t child = pid_t(std::atoi(folder.read("child").c_str()));
    ASSERT_GT(child, 0);
    bool gone = false;
    for (int i = 0; i < 100 && !gone; ++i) {
        gone = !runningProcess(child);
        if (!gone)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_TRUE(gone) << "the script's child outlived it";

    // A cancelled job stops it too.
    command.floorMs = 30000;
    ExternalRecognizer cancelled(command);
    const auto cancelAt = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
    const EngineResult c =
        cancelled.recognize(silence.audio(), {}, [&] { return std::chrono::steady_clock::now() > cancelAt; });
    EXPECT_EQ(c.status, EngineStatus::Cancelled);
    EXPECT_LT(std::chrono::steady_clock::now() - cancelAt, std::chrono::seconds(10));
}
