// A plug-in whose initialisers record their order through the loading program.
extern "C" void objcTestRecord(const char* step);

__attribute__((constructor(103))) static void third() {
  objcTestRecord("third");
}
__attribute__((constructor(101))) static void first() {
  objcTestRecord("first");
}
__attribute__((constructor(102))) static void second() {
  objcTestRecord("second");
}
