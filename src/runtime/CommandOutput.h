// Where the command runner puts what its commands show: the effects of the
// interpreter's built-ins on the console and a child's output. The console
// side implements it over its device.
#pragma once

#include <string_view>

namespace corvel {

class CommandOutput {
public:
    // "mode con": the console's new size; 0 keeps that dimension.
    virtual void resize(int columns, int rows) = 0;
    // "cls": every cell blank in the default colours, the cursor home.
    virtual void clear() = 0;
    // Sounded in place of a program that is not found.
    virtual void alert() = 0;
    // A child starts: everything so far is shown first; a waited-for child
    // has the console until childEnded.
    virtual void childStarting(bool waited) = 0;
    // Bytes the child wrote, shown at once as processed stream output.
    virtual void write(std::string_view bytes) = 0;
    // Throws nothing: it ends every child's run, also on an exception.
    virtual void childEnded(bool waited) = 0;

protected:
    ~CommandOutput() = default;
};

// A child's run on the console for one scope: childStarting at its start,
// childEnded at its end however the scope ends, so that the console is
// never left lent to a child.
class ChildOnConsole {
public:
    ChildOnConsole(CommandOutput& output, bool waited) : output_(output), waited_(waited) {
        output_.childStarting(waited_);
    }
    ~ChildOnConsole() { output_.childEnded(waited_); }
    ChildOnConsole(const ChildOnConsole&) = delete;
    ChildOnConsole& operator=(const ChildOnConsole&) = delete;

private:
    CommandOutput& output_;
    bool waited_;
};

}  // namespace corvel
