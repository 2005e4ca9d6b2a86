// Polar folding with atan and mod, spun by iLevel.
void mainImage(out vec4 fragColor, in vec2 fragCoord) {
    vec2 p = (2.0 * fragCoord - iResolution.xy) / iResolution.y;
    float a = atan(p.y, p.x) + iTime * 0.2 + iLevel * 3.0;
    float r = length(p);
    a = mod(a, 6.2831 / 6.0) - 6.2831 / 12.0;
    vec2 q = vec2(cos(a), sin(a)) * r;
    float ring = texture(iChannel0, vec2(clamp(r, 0.0, 1.0), 0.25)).x;
    fragColor = vec4(0.5 + 0.5 * sin(q.x * 20.0), ring, 0.5 + 0.5 * cos(q.y * 20.0), 1.0);
}
