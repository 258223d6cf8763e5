#include "TestVectors.h"

#include <sstream>
#include <stdexcept>

#include "TestHex.h"

namespace sgvrtest {

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        out.push_back(line);
    }
    return out;
}

}  // namespace

std::vector<HashVector> ParseHashVectors(const std::string& text) {
    std::vector<HashVector> out;
    for (const std::string& line : Lines(text)) {
        const size_t t1 = line.find('\t');
        const size_t t2 = line.find('\t', t1 + 1);
        if (t1 == std::string::npos || t2 == std::string::npos) throw std::runtime_error("bad hash vector line: " + line);
        HashVector v;
        v.inputForm = line.substr(0, t1);
        v.length = std::stoul(line.substr(t1 + 1, t2 - t1 - 1));
        v.digestHex = line.substr(t2 + 1);
        if (v.inputForm.rfind("str:", 0) == 0) {
            const std::string s = v.inputForm.substr(4);
            v.input.assign(s.begin(), s.end());
        } else if (v.inputForm.rfind("rep:", 0) == 0) {
            const size_t x = v.inputForm.find('x');
            const size_t count = std::stoul(v.inputForm.substr(4, x - 4));
            const std::vector<uint8_t> byte = FromHex(v.inputForm.substr(x + 1));
            v.input.assign(count, byte.at(0));
        } else if (v.length != 0) {
            throw std::runtime_error("unknown input form: " + v.inputForm);
        }
        out.push_back(std::move(v));
    }
    return out;
}

std::vector<VerifyVector> ParseVerifyVectors(const std::string& text) {
    std::vector<VerifyVector> out;
    for (const std::string& line : Lines(text)) {
        std::istringstream in(line);
        VerifyVector v;
        std::string key, hash, sig, verdict;
        if (!(in >> v.id >> key >> hash >> sig >> verdict)) throw std::runtime_error("bad verify vector line: " + line);
        v.key = FromHex(key);
        v.hash = FromHex(hash);
        v.sig = FromHex(sig);
        if (verdict != "VALID" && verdict != "INVALID") throw std::runtime_error("bad verdict: " + line);
        v.valid = verdict == "VALID";
        out.push_back(std::move(v));
    }
    return out;
}

}  // namespace sgvrtest
