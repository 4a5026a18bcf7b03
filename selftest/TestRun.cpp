#include "TestRun.h"

#include <cstdio>

namespace {

bool started = false;
bool finished = false;
bool failed = false;

}  // namespace

void TestRun::begin()
{
    started = true;
    finished = false;
    failed = false;
}

void TestRun::fail()
{
    failed = true;
}

void TestRun::finish()
{
    finished = true;
}

int TestRun::exitCode(int loopCode)
{
    if (!started)
        return loopCode;
    if (!finished) {
        std::fprintf(stderr, "FALHA: a execução terminou antes do último passo\n");
        return 1;
    }
    return failed ? 1 : loopCode;
}
