#pragma once
// getopt_long over a list of words instead of main()'s argv, so that a command line parser
// can take words and be run again and again (tests). Options and operands may be mixed:
// each word that is no option is handed back in turn and the scan goes on after it, the
// same with or without POSIXLY_CORRECT. getopt_long's state is global, so one scan runs at a
// time and only on one thread; it prints nothing (the caller words every message).

#include <getopt.h>

#include <string>
#include <vector>

class OptionScan {
public:
    enum class Kind {
        Option,       // option: its getopt_long value; text: its value ("" when it takes none)
        Operand,      // text: the word
        EndOfOptions, // the word "--"; the words after it are operands if the caller says so
        Unknown,      // text: the option as written (its letter alone within "-ab")
        MissingValue, // text: the option as written
        End,
    };
    struct Item {
        Kind kind = Kind::End;
        int option = 0;
        std::string text;
    };

    // shortOptions as getopt's, without the leading "+" or ":"; longOptions ends in a zero
    // row. Both must outlive the scan.
    OptionScan(const std::vector<std::string>& words, const char* shortOptions,
               const option* longOptions);

    Item Next();
    // From now on every word left is an operand, even one that starts with "-".
    void OperandsOnly() { m_operandsOnly = true; }

private:
    std::vector<std::string> m_words; // argv[0] and the words, which getopt_long reads
    std::vector<char*> m_argv;
    std::string m_shortOptions;
    const option* m_longOptions;
    bool m_operandsOnly = false;
};
