#pragma once

// The outcome of a test-mode run ("--selftest", "--screenshots"), kept apart
// from the event loop's own exit code: a run that ends before its last step
// (the window closed, Quit over D-Bus) or that found faults must not end
// with 0.
class TestRun
{
public:
    // A test-mode script was started.
    static void begin();
    // Something went wrong; the run ends with 1 whatever the loop returns.
    static void fail();
    // The script reached its last step.
    static void finish();
    // What the process returns, given the event loop's code. Outside the
    // test modes this is the loop's code unchanged.
    static int exitCode(int loopCode);
};
