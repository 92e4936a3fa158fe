// Without libFuzzer (the GCC builds): runs the target once on each file named on the command line, so
// that the target builds and its corpus can be replayed anywhere. With --gtest_output=xml:PATH it writes
// the runs as GoogleTest results, one case a file, so that ./test counts them like any test program; a
// run that faults ends the program before the file is written, which ./test counts as a failure.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

std::string XmlEscaped(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    constexpr std::string_view kOutput = "--gtest_output=xml:";
    std::string results;
    std::vector<std::string> inputs;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg.starts_with(kOutput))
            results = arg.substr(kOutput.size());
        else
            inputs.emplace_back(arg);
    }
    int unreadable = 0;
    std::string cases;
    for (const std::string& input : inputs) {
        std::ifstream in(input, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const std::string name = XmlEscaped(input.substr(input.find_last_of('/') + 1));
        if (!in.good() && !in.eof()) {
            ++unreadable;
            cases += "<testcase name=\"" + name +
                     "\" classname=\"Seeds\" status=\"run\" result=\"completed\">"
                     "<failure message=\"cannot read the seed\"/></testcase>\n";
            continue;
        }
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        cases += "<testcase name=\"" + name + "\" classname=\"Seeds\" status=\"run\" result=\"completed\"/>\n";
    }
    std::printf("%zu inputs run\n", inputs.size());
    if (!results.empty()) {
        std::ofstream out(results, std::ios::binary);
        const std::string count = std::to_string(inputs.size()), failures = std::to_string(unreadable);
        out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites tests=\"" << count << "\" failures=\""
            << failures << "\" name=\"AllTests\">\n<testsuite name=\"Seeds\" tests=\"" << count << "\" failures=\""
            << failures << "\">\n"
            << cases << "</testsuite>\n</testsuites>\n";
        if (!out) return 1;
    }
    return unreadable == 0 ? 0 : 1;
}
