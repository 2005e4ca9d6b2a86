// A while loop: the Mandelbrot set, iterations by the bass.
void mainImage(out vec4 fragColor, in vec2 fragCoord) {
    vec2 c = (2.0 * fragCoord - iResolution.xy) / iResolution.y * 1.3 - vec2(0.5, 0.0);
    vec2 z = vec2(0.0);
    int n = 0;
    int most = 20 + int(40.0 * texture(iChannel0, vec2(0.05, 0.25)).x);
    while (n < most && dot(z, z) < 4.0) {
        z = vec2(z.x * z.x - z.y * z.y, 2.0 * z.x * z.y) + c;
        n++;
    }
    fragColor = vec4(vec3(float(n) / float(most)), 1.0);
}
