// Placeholder until the container layer lands.
