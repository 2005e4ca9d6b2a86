// Linked with one layer of the program, whole, and the layers below it: a
// name the layer takes from a layer above is left undefined, and the link
// fails. It is built, never run.
int main() { return 0; }
