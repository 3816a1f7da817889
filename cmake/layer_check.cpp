// The program that links one layer whole (cmake/Layers.cmake): it runs nothing, and it
// links only when the layer needs nothing from above it.
int main() { return 0; }
