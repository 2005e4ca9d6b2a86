// A mat2 rotation turning with time, checkerboard lit by the level.
mat2 rotate(float a) { float c = cos(a), s = sin(a); return mat2(c, -s, s, c); }
void mainImage(out vec4 fragColor, in vec2 fragCoord) {
    vec2 p = (fragCoord - 0.5 * iResolution.xy) / iResolution.y;
    p = rotate(iTime * 0.5) * p * 8.0;
    float checker = mod(floor(p.x) + floor(p.y), 2.0);
    fragColor = vec4(vec3(checker * (0.4 + iLevel)), 1.0);
}
