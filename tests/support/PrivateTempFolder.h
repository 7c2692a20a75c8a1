// Every test program works in a temporary folder of its own, made inside the inherited one and
// named in TMPDIR for the program and every process it starts: the data-communication lock
// lives in the temporary folder, so no test ever takes the one the machine's Quorvel shares.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace quorvel::test {

class PrivateTempFolder
{
public:
    PrivateTempFolder()
    {
        std::error_code error;
        const std::filesystem::path parent = std::filesystem::temp_directory_path(error);
        std::string pattern = (error ? std::filesystem::path("/tmp") : parent) / "quorvel-test-XXXXXX";
        if (!::mkdtemp(pattern.data())) {
            std::perror("quorvel tests: cannot make a private temporary folder");
            std::exit(2);
        }
        m_path = pattern;
        ::setenv("TMPDIR", m_path.c_str(), 1);
    }
    ~PrivateTempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    PrivateTempFolder(const PrivateTempFolder&) = delete;
    PrivateTempFolder& operator=(const PrivateTempFolder&) = delete;

private:
    std::string m_path;
};

} // namespace quorvel::test
