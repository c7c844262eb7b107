/* A small Windows program standing in for the installer stub in the
   packer's native tests: it links the stub's own resources. */
int main(void) { return 0; }
