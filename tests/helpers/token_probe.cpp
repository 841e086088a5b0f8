// (being written)
int wmain() { return 0; }
