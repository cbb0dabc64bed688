#pragma once
// POSIXLY_CORRECT set for a scope, as a user's shell may have it: getopt then stops at the
// first word that is no option unless the parser asks otherwise.

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

class PosixlyCorrect {
public:
    explicit PosixlyCorrect(bool set) : m_set(set) {
        if (m_set) {
            setenv("POSIXLY_CORRECT", "1", 1);
        }
    }
    ~PosixlyCorrect() {
        if (m_set) {
            unsetenv("POSIXLY_CORRECT");
        }
    }
    PosixlyCorrect(const PosixlyCorrect&) = delete;
    PosixlyCorrect& operator=(const PosixlyCorrect&) = delete;

private:
    bool m_set;
};

// Expects outcome(c.words) == c.outcome for every case of a command line table, once
// without and once with POSIXLY_CORRECT, each traced by program and its words.
template <class Cases, class Outcome>
void ExpectOutcomesWithAndWithoutPosixlyCorrect(const char* program, const Cases& cases,
                                                Outcome outcome) {
    for (const bool posixlyCorrect : {false, true}) {
        const PosixlyCorrect environment(posixlyCorrect);
        for (const auto& c : cases) {
            std::string line = posixlyCorrect ? "POSIXLY_CORRECT " : "";
            line += program;
            for (const std::string& word : c.words) {
                line += " " + word;
            }
            SCOPED_TRACE(line);
            EXPECT_EQ(outcome(c.words), c.outcome);
        }
    }
}
