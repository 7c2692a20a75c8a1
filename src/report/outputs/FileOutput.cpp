#include "report/outputs/FileOutput.h"

#include <algorithm>

namespace quorvel::report {

namespace {
std::vector<FileOutput*>& outputs()
{
    static std::vector<FileOutput*> all;
    return all;
}
} // namespace

FileOutput::FileOutput() { outputs().push_back(this); }

FileOutput::~FileOutput() { std::erase(outputs(), this); }

const std::vector<FileOutput*>& FileOutput::registered() { return outputs(); }

} // namespace quorvel::report
