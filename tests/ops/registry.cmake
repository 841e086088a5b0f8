# Helper programs of registry_tests.
