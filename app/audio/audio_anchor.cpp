// placeholder until the group has sources
