// A program that does nothing: what starting and ending a process costs, linked as laifit is.
int main() { return 0; }
