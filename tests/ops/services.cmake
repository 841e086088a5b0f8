# Helper programs of service_tests.
