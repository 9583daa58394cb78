// Test fixture of the output file service: a fresh directory, the file
// name the form uses, an error state and an open-file table.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "runtime/ErrorState.h"
#include "runtime/OutputFile.h"
#include "support/TempDir.h"

namespace corvel::test {

class OutputFileFixture : public ::testing::Test {
protected:
    // Opens the file under number 1 and expects no error.
    void openFresh() {
        files.openOutputFile(errors, 1, path);
        ASSERT_EQ(errors.takeErrorCode(), 0);
    }
    // The code raised by an operation, the state cleared again.
    template <class Operation>
    int raisedBy(Operation operation) {
        operation();
        return errors.takeErrorCode();
    }

    TempDir directory;
    std::string path = directory.file("MyCorvel.Txt");
    ErrorState errors;
    OutputFiles files;
};

}  // namespace corvel::test
