// A do-while loop folding space.
void mainImage(out vec4 fragColor, in vec2 fragCoord) {
    vec2 p = fragCoord / iResolution.xy - 0.5;
    int i = 0;
    do {
        p = abs(p) / dot(p, p) - 0.9;
        i++;
    } while (i < 8);
    fragColor = vec4(clamp(abs(p.x) * 0.2, 0.0, 1.0), clamp(abs(p.y) * 0.1, 0.0, 1.0), 0.3, 1.0);
}
