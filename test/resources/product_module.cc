// A module that exists only to carry the resources of a test product.

extern "C" __declspec(dllexport) int CorvaneTestProductVersion() { return 1; }
