// The leak check's defaults, compiled into every program of the sanitizer builds.
//
// oneTBB allocates a proxy for each task_scheduler_observer (ProcessorShare's count of the
// workers in its arena). A worker that has run the observer keeps a reference to the proxy in its
// own thread data, which lives in oneTBB's allocator, outside the memory the leak check scans,
// and the worker frees the proxy when it next leaves an arena. A process that ends while a
// worker still holds it (the program ends right after its run's arena, whose workers start as it
// is made) shows it as a leak of 40 bytes. That leak is suppressed, and the table of suppressions
// used is not printed: the standard error stream holds only what the program writes there.
extern "C" const char* __lsan_default_suppressions() { return "leak:tbb::detail::r1::observe\n"; }
extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }
