// Placeholder until the Qt host lands.
int main() { return 0; }
