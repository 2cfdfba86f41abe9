int cuewright_core_anchor = 0;
