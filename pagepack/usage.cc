// Placeholder until the compiler lands.
