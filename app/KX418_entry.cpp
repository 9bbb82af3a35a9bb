// KX418_entry.cpp - the program's entry. Its code (KX418.cpp) is built once
// with its main named KX418_Main, so that the tests and the benchmarks run
// the same objects in process; the program starts it from here.
int KX418_Main(int argc, char* argv[]);

int main(int argc, char* argv[])
{
    return KX418_Main(argc, argv);
}
