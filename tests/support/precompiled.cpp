// Compiles the headers that every test program shares, once; the test
// programs reuse the result (tests/CMakeLists.txt).
